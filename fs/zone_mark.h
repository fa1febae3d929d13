// The Mark of the Web: the Zone.Identifier stream Windows gives a file that came from elsewhere, which
// tells programs to distrust it. Its text is an INI section; besides the zone it may name the page and
// the address the file was fetched from.
#pragma once

#include <string>
#include <string_view>

// The mark a container gets from its source's mark: the zone alone, since the addresses would name the
// file that the container hides.
std::string ZoneOnlyMark(std::string_view mark);
