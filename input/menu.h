// The right-button pop-up menu: F1..F9 commands and quit.
#pragma once

#include <cstdint>
#include <string>

struct MenuEntry {
    const char* cLabel;  // 17 characters as defined; shown without trailing blanks
    int32_t iValue;
};

extern const MenuEntry MenuEntries[10];

void MenuCreate();              // builds the menu and attaches it to the right button
void MenuHandler(int iValue);   // stores a command code; 7 ends the program

// The text the menu shows for a label: trailing blanks removed, leading kept.
std::string MenuShownLabel(const char* cLabel);
