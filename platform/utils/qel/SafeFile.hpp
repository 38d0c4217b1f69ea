// Writing a whole file so that a crash, a kill or a full disk never leaves
// half of it: the text goes to a temporary file in the same folder, is
// flushed to the disk and then renamed over the file. The old file stays as
// it was until the rename, and a failed write removes the temporary.
#pragma once

#include <string>

namespace qel {

// Replaces the file at rPath by rText. nMode gives the new file's
// permission bits; -1 keeps those of the file it replaces (0666 less the
// umask for a new file). False with "cannot write PATH: reason" in rError.
bool WriteFileAtomically(const std::string& rPath, const std::string& rText, std::string& rError, int nMode = -1);

} // namespace qel
