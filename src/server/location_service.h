#pragma once
// The location server's protocol, without the network: the download of what the
// server knows about an access point, and the upload of records made by users.
// The server keeps its records in a folder of the same text files as the program
// and reads and writes them with the same database code. A users file holds one
// line per user: the name, a tab, and the MD5 hex digest of the password.

#include <cstddef>
#include <mutex>
#include <string>

namespace nearbeam {

class LocationService {
  public:
    // folder: the records folder (created if missing). usersPath: the users file;
    // empty means "users.txt" in the folder.
    explicit LocationService(std::string folder, std::string usersPath = {});

    const std::string& folder() const { return folder_; }
    const std::string& usersPath() const { return usersPath_; }

    // The reply to a download: the access point's line and every record it refers
    // to, the services attached at each of its levels and everywhere, each under
    // its section heading, then "- end". An unknown access point gets "- end"
    // alone. Empty (no reply) when bssid is not 12 hexadecimal digits.
    std::string downloadText(const std::string& bssid);

    // The reply to an upload body. A good login stores the records under the
    // server's own identifiers and answers "- nearbeam ok", the stored records, a
    // "- msg " line and "- end"; anything else answers "- error " and a reason.
    std::string uploadText(const std::string& body);

    // Adds or replaces a user in a users file (the password is kept only as its
    // digest). False when the file could not be written or the name is unusable.
    static bool addUser(const std::string& usersPath, const std::string& name,
                        const std::string& password);

  private:
    bool checkLogin(const std::string& name, const std::string& token) const;

    std::string folder_;
    std::string usersPath_;
    std::mutex mutex_; // one request at a time touches the files
};

} // namespace nearbeam
