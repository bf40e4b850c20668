#pragma once
#include <cstdint>

// A 64-bit hash of the whole world (archiveWorld): FNV-1a, offset basis
// 0xcbf29ce484222325, prime 0x100000001b3, over each value's bytes, least
// significant first (ints and unsigneds as 4 bytes, floats as their 4-byte
// bit pattern, bools and bytes as 1). Names are not hashed. Equal digests
// mean equal worlds, in every build type and on every run.
uint64_t worldDigest();
// The digest as 16 lower-case hex digits plus the terminating NUL.
void formatDigest(uint64_t digest, char out[17]);
