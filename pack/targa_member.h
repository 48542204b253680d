// A member of a Targa set packed straight from its file: opened once (or taken open), checked,
// and its rows truncated into its place from where they lie in the file; a run-length image is
// decoded first, into scratch memory. makeqfb packs every member this way, pack those of a set
// whose pixels it does not work on.
#pragma once

#include <cstdint>
#include <string>

#include "pack_problem.h"
#include "targa.h"

// How the members of one pack go into their places.
struct TargaPath {
    int32_t format;  // the QFB format of the words
    // pack: each member is refused first as every image read is (24 or 32 bits, at most
    // MAX_IMAGE_BYTES, its pixels within the file: see locate_image), then held to its place.
    // makeqfb holds a member to its place first, and then locates its pixels.
    bool image_rules_first;
    uint8_t* scratch;    // MAX_IMAGE_BYTES for a run-length image; null: a buffer of its own each time
    PackEvents* events;  // told of each member and of its conversion
};

// Where a member goes: its level's bytes, what they need, and which level of which frame they are.
struct MemberPlace {
    uint8_t* place;
    Shape wanted;
    int32_t frame, level;
};

// Puts the Targa file name into its place. opened is the member's file when it is open already
// (checked or not), else null.
PackProblem put_targa_member(const TargaPath& path, const std::string& name, TargaFile* opened, const MemberPlace& at);
