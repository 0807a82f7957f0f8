// A plug-in's enabling expression, as hosts evaluate it to decide whether
// the menu item is offered for a document, e.g.
// "in (PSHOP_ImageMode, RGBMode, RGB48Mode )".
#pragma once

#include <stdexcept>
#include <string>

namespace embedded_host {

struct ExpressionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// True when the expression enables a document of the host's image mode
// (0 bitmap ... 3 RGB ... 11 RGB48 ...). Understands `in (a, b, ...)`,
// `==`, `!=`, `!`, `&&`, `||`, parentheses, integers, true and false, the
// image mode as PSHOP_ImageMode and the mode names RGBMode, RGB48Mode and
// so on. Throws ExpressionError on anything else.
bool enablesImageMode(const std::string& expression, int imageMode);

}  // namespace embedded_host
