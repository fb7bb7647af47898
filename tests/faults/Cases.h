#pragma once

#include "Scene.h"

#include <string>
#include <vector>

// One file-layer call on files a case sets up, judged by what it says and by the files: a failure
// changes nothing at all, a success exactly what the call is for.
enum class Op { Copy, Move };
enum Flag : unsigned {
    FullDisk = 1 << 0,   // the file system under test is full but for 256 KiB
    SizeLimit = 1 << 1,  // RLIMIT_FSIZE of 64 KiB during the call
    AsUser = 1 << 2,     // the call runs as nobody
    WithoutBig = 1 << 3, // the copy is made, without the attribute user.big, and says so
    Cancelled = 1 << 4,  // the user has cancelled: the call stops inside the file
};
struct OpCase {
    std::string name;
    Op op;
    std::string from, to;
    std::vector<Step> setup;
    std::string error; // empty: succeeds
    unsigned flags = 0;
    unsigned needs = 0; // traits of the file system under test
};

// Every call case, with what each must say on this file system.
std::vector<OpCase> OpCases(const FileSystem& fs);
void RunOpCase(Scene& scene, const OpCase& c);

// Cases that need more than one call, or a look at blocks and threads.
struct SpecialCase {
    const char* name;
    unsigned needs;
    void (*run)(Scene& scene);
};
const std::vector<SpecialCase>& SpecialCases();
