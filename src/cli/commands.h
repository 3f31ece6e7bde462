// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// One function a command; `args` starts with the command's own name.
namespace tagmere::cli {

int runFind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runShow(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runUndo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tagmere::cli
