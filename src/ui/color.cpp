#include "ui/color.h"

namespace kelvara::ui {

Color DefaultSystemColor(int index) {
    // Windows 7's standard scheme, the one Wine's new prefixes use as well.
    switch (index) {
        case 2: return Rgb(153, 180, 209);   // active caption
        case 5: return Rgb(255, 255, 255);   // window
        case 8: return Rgb(0, 0, 0);         // window text
        case 13: return Rgb(51, 153, 255);   // highlight
        case 14: return Rgb(255, 255, 255);  // highlight text
        case 15: return Rgb(240, 240, 240);  // button face
        case 16: return Rgb(160, 160, 160);  // button shadow
        case 17: return Rgb(109, 109, 109);  // grey text
        case 18: return Rgb(0, 0, 0);        // button text
        case 20: return Rgb(255, 255, 255);  // button highlight
        default: return Rgb(192, 192, 192);
    }
}

}  // namespace kelvara::ui
