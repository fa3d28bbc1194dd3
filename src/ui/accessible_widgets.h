// How assistive technology (screen readers over AT-SPI) sees the program's own
// widgets: links as links with a press action (and, for the one that shows the
// option pages, expanded or collapsed); colour swatches as buttons; the type panel
// as a combo box whose list is the open type picker, one item per type, the chosen
// one selected.
#pragma once

namespace snaprill {

// Once, after the application object exists and before any window is shown.
void installAccessibleWidgets();

}  // namespace snaprill
