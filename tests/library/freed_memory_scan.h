// Looks for a secret in every block the C++ allocator frees while armed: operator new and delete
// of the whole test binary (the aligned forms aside) are replaced by malloc and free, so
// sanitizers see pairs that match.
#pragma once

#include <string>

namespace vqtest {

// Arms the scan for `secret` (at least 16 bytes, so it never sits inside a string object) until
// the returned count is read by Disarm: how many freed blocks held it.
void ArmFreedMemoryScan(const std::string& secret);
int DisarmFreedMemoryScan();

}  // namespace vqtest
