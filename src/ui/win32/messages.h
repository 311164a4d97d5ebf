#pragma once
// The program's private window messages, numbered in one place above WM_APP so
// that none is taken for a message of the system or of a dialog (WM_USER is also
// the dialog manager's DM_GETDEFID). The display control's own messages belong to
// its interface and are numbered there.

#include <windows.h>

namespace nearbeam::message {

// To the upload dialog: a new status text waits in the uploader.
inline constexpr UINT UploadStatus = WM_APP + 1;
// To the upload dialog: the upload has ended.
inline constexpr UINT UploadEnded = WM_APP + 2;
// To a page of the wizard made by the tool window: lParam is its session.
inline constexpr UINT WizardAttach = WM_APP + 3;
// To the Survey window: the survey moved on (a tick).
inline constexpr UINT SurveyChanged = WM_APP + 4;
// To the main window, from the web agent's worker: the map server has answered.
inline constexpr UINT ServerAnswered = WM_APP + 5;

} // namespace nearbeam::message
