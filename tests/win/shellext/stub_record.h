// What the stand-in Vorlax.exe and the test hosts agree on.
#pragma once

namespace vorlax::shellext::test {

// Written beside the stub: its command line, its arguments, the list file's
// bytes and, when it converts, one line per file.
inline constexpr char kStubRecordFile[] = "stub-record.txt";
// Signalled by the stub when the record is complete.
inline constexpr char kStubDoneEvent[] = "VorlaxShellExtStubDone";

}  // namespace vorlax::shellext::test
