// What the converter's guards hand back: a file kept from being opened.
// Its own header, below both the converter (convert.h) and the guards
// (map_opens.h, open_guard.h) that fill it.
#pragma once

#include <string>

// A file kept from being opened: its name, and what it is said as the rest of
// a sentence ("is not a regular file").
struct Refusal {
    std::string cName, cWhat;
};
