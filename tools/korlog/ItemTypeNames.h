// The names korlog accepts for item types ("files", "reg2", ...) beside their numbers, and
// the name it prints for each type.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace itemtypes {

// The type that text names: a number from 0 to 7, or a name ignoring case. None otherwise.
std::optional<int> Parse(std::string_view text);

// The short name of a type from 0 to 7 ("child", "files", ...), or the number as text.
std::string Name(int type);

// One line listing every type with its number, for the help texts.
std::string Summary();

}  // namespace itemtypes
