// Limits that protect the component from hostile or runaway documents.
#pragma once

namespace xmldom {

// Deepest element nesting a document may have, loaded or built. Legitimate
// documents stay far below it; without a bound, deep trees make selections
// and copies slow (work per level) and recursion inside libxml2 unsafe.
constexpr int kMaxElementDepth = 1024;

} // namespace xmldom
