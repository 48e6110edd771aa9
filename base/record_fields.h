// Records of the program's files and messages: fields joined by an apostrophe "'", with none
// before the first field or after the last.
#pragma once

#include <string>
#include <vector>

// The fields of a record; an empty text is one empty field.
std::vector<std::string> SplitAtApostrophes(const std::string& text);
