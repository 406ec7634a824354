#pragma once

#include <string>

// The caller's home folder: $HOME when it is an absolute path, else the one
// the password database gives the user. Never a folder that other users
// share (such as /tmp), where anyone could have made our folders first and
// planted links or rules in them. No trailing '/'; "/nonexistent" when the
// user has no home at all, so that saves fail instead of going somewhere
// shared.
std::string HomeFolder();

// An XDG base folder: the variable's value when it is an absolute path
// (relative ones are invalid by the XDG rules and ignored), else
// HomeFolder() + "/" + underHome. Without a trailing '/' (the root folder
// gives ""), so that "/" and a name can follow.
std::string XdgBaseFolder(const char* variable, const char* underHome);
