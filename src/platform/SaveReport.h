#pragma once

#include <functional>
#include <string>

// Saves the program makes by itself, with nobody waiting on their result
// (settings, the virtual keyboard's state): a failure is told to the owner
// once per file, and told again only after a save to that file has worked in
// between, so a full disk shows one message and not one per click. Without a
// handler the failure goes to standard error as "<program>: <text>".
// error is an errno value or a FileAccess.h code.
void ReportSaveFailure(const std::string& path, int error);
// The same with the reason in words.
void ReportSaveFailure(const std::string& path, const std::string& reason);
void ReportSaveSuccess(const std::string& path);

// The window shows the failures; tests hear them. An empty handler restores
// standard error. Installing one forgets what was told. Returns the previous
// handler. The handler runs on the saving thread and must not wait for the
// user-interface thread.
using SaveFailureHandler = std::function<void(const std::string& path, const std::string& reason)>;
SaveFailureHandler SetSaveFailureHandler(SaveFailureHandler handler);
