#pragma once
// Walks a tachograph download file (".ddd") element by element and picks up
// the name it belongs to. Pure: bytes in, name and state out.
//
// Elements follow each other without gaps. A first byte of 0x76 starts a
// vehicle unit transfer (0x76, transfer type 1..5, a body whose length
// follows from record counts inside it); any other byte starts a card record
// (FileID u16, appendix u8, length u16, length bytes; big-endian), whose
// FileID must be one of the card's elementary files.
//
// The name: for a card file the card number (data bytes 1..16 of FileID
// 0x0520, appendix 0), "_" and the holder's surname (data bytes 66..100,
// spaces left out); for a vehicle unit file the VIN (bytes 390..406 of a type
// 1 transfer, from its 0x76), "_" and the registration number (409..421,
// spaces left out).

#include <string>
#include <string_view>

struct DddWalk {
    std::string name;  // empty when none was found; bytes copied as they are
    // True when the file ended exactly at an element boundary; false when it
    // ended inside an element or the walk stopped at an unknown FileID or
    // transfer type.
    bool complete = false;
};

DddWalk WalkDdd(std::string_view file);
