// PropertyListNesting: how deep a property list's arrays and dictionaries nest, found
// without parsing it. libplist parses by recursion, so a file of a few megabytes nesting
// two hundred thousand arrays ends the process on its stack; the octets are measured
// first, the XML form by its tags and the binary form by walking its object table with a
// stack of our own.
#pragma once

#include "ByteView.hpp"

namespace zem {

/// Whether the property list in `bytes` nests no deeper than `maximumDepth`. A binary
/// list whose table cannot be walked (libplist refuses such a file anyway), or that
/// refers back to itself, answers false.
bool propertyListNestingWithin(ByteView bytes, int maximumDepth);

} // namespace zem
