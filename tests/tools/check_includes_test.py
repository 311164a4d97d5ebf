#!/usr/bin/env python3
"""The include-order check on a small tree of sources."""

import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "check_includes.py")

# (the including file, the included header, whether the check lets it pass)
CASES = [
    ("base/text.cpp", "base/text.h", True),
    ("records/tables.cpp", "base/text.h", True),
    ("net/uploader.cpp", "records/records.h", True),
    ("survey/scan_index.cpp", "records/place_key.h", True),
    ("locate/locator.cpp", "survey/scan_index.h", True),
    ("locate/locator.cpp", "wireless/scan_table.h", True),
    ("server/scan_lines.h", "survey/survey_scan.h", True),
    ("net/uploader.cpp", "wireless/scan_table.h", True),
    ("server/storage.cpp", "net/http_text.h", True),
    ("services/list.cpp", "net/web_agent.h", True),
    ("ui/page.cpp", "services/list.h", True),
    ("app/application.cpp", "ui/page.h", True),
    ("app/win32/main_window.cpp", "ui/win32/page_window.h", True),
    ("ui/linux/page_window.cpp", "ui/linux/display.h", True),
    ("net/linux/curl_transport.cpp", "net/http_transport.h", True),
    ("app/application.cpp", "resource.h", True),
    ("base/text.cpp", "records/records.h", False),
    ("records/tables.cpp", "wireless/scan_table.h", False),
    ("wireless/scan_table.cpp", "records/records.h", False),
    ("records/records.cpp", "survey/scan_file.h", False),
    ("survey/scan_store.h", "locate/place_decision.h", False),
    ("locate/locator.cpp", "net/uploader.h", False),
    ("server/routes.cpp", "locate/locator.h", False),
    ("net/uploader.cpp", "services/list.h", False),
    ("server/storage.cpp", "services/list.h", False),
    ("services/list.cpp", "server/storage.h", False),
    ("services/win32/dialog.cpp", "ui/win32/tool_window.h", False),
    ("ui/page.cpp", "app/application.h", False),
    ("ui/page.cpp", "ui/win32/controls.h", False),
    ("ui/win32/page_window.cpp", "ui/linux/display.h", False),
    ("app/linux/main.cpp", "app/win32/tray_icon.h", False),
    ("server/routes.cpp", "support/loopback_server.h", False),
    ("extra/thing.cpp", "base/text.h", False),
]


class CheckIncludes(unittest.TestCase):
    def check(self, source, header):
        with tempfile.TemporaryDirectory() as src:
            path = os.path.join(src, source)
            os.makedirs(os.path.dirname(path))
            with open(path, "w") as f:
                f.write(f'#include <string>\n\n#include "{header}"\n')
            return subprocess.run([sys.executable, TOOL, src], capture_output=True, text=True)

    def test_includes_point_down_and_stay_on_their_platform(self):
        for source, header, passes in CASES:
            with self.subTest(source=source, header=header):
                result = self.check(source, header)
                self.assertEqual(result.returncode, 0 if passes else 1, result.stdout)
                if not passes:
                    # The fault names the file and the line (the folder: its first).
                    line = 1 if source.startswith("extra/") else 3
                    self.assertIn(f"{source}:{line}:", result.stdout.replace(os.sep, "/"))

    def test_two_files_never_include_each_other(self):
        with tempfile.TemporaryDirectory() as src:
            files = {
                "records/records.h": "records/record_lines.h",
                "records/record_lines.cpp": "records/records.h",
                "records/tables.h": "records/records.h",
            }
            for source, header in files.items():
                os.makedirs(os.path.join(src, "records"), exist_ok=True)
                with open(os.path.join(src, source), "w") as f:
                    f.write(f'#include "{header}"\n')
            result = subprocess.run([sys.executable, TOOL, src], capture_output=True, text=True)
            self.assertEqual(result.returncode, 1)
            faults = result.stdout.replace(os.sep, "/").splitlines()
            # Once from each side; records.h <- tables.h runs one way only.
            self.assertEqual(len(faults), 2, result.stdout)
            self.assertTrue(any("records/records.h:1:" in f for f in faults))
            self.assertTrue(all("includes it back" in f for f in faults))


if __name__ == "__main__":
    unittest.main()
