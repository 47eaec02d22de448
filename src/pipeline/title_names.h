// Turns slide titles into file base names for split output.
#pragma once

#include <string>
#include <vector>

namespace orv {

// Rewrites the raw titles in place: white space trimmed; \ / : * ? " < > |
// and the vertical tab (PowerPoint's manual line break) replaced by "_";
// empty titles named "(untitled_1)", "(untitled_2)", ...; names equal without
// regard to letter case numbered "_1", "_2", ... in list order.
void MakeTitleNames(std::vector<std::string>& titles);

}  // namespace orv
