#pragma once

#include <string>

// The caller's home folder: $HOME when it is an absolute path, else the one
// the password database gives the user. Never a folder that other users
// share (such as /tmp), where anyone could have made our folders first and
// planted links or rules in them. No trailing '/'; "/nonexistent" when the
// user has no home at all, so that saves fail instead of going somewhere
// shared.
std::string HomeFolder();
