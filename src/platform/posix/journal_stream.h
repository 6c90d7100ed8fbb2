// Whether a standard stream leads to systemd's journal.
#pragma once

namespace corvantis::posix {

// True when descriptor `fd` is the stream systemd connected to the journal for this service:
// JOURNAL_STREAM holds its "device:inode", as systemd sets it. Lines written there may then
// start with a syslog priority ("<4>") that the journal takes for the line's priority.
bool GoesToJournal(int fd);

}  // namespace corvantis::posix
