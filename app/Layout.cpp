#include "app/Layout.h"

#include <cstring>

namespace layout {

const ControlLayout& Control(const char* name) {
    for (const ControlLayout& c : kControls) {
        if (std::strcmp(c.name, name) == 0) return c;
    }
    return kControls[0];
}

}  // namespace layout
