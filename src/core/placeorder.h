// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "safefile.h"

#include <vector>

namespace tagmere {

// The order a flushed chunk is put in place, the same on every system: a backup before
// the file it protects, and a file whose backup failed is never replaced. `place` puts
// one staged file in place; `finish` reports its fate.
template <class Staged, class Place, class Finish>
void placeInOrder(std::vector<Staged>& staged, Place place, Finish finish) {
    bool backupFailed = false;
    for (auto& s : staged) {
        if (s.failed) {
            backupFailed = s.isBackup;
            continue;
        }
        const FileStatus status =
            !s.isBackup && backupFailed ? FileStatus::failure("its backup could not be written") : place(s);
        if (s.isBackup)
            backupFailed = !status.ok;
        finish(s, status);
    }
}

} // namespace tagmere
