#include "menu/menu.h"

// The menu window is not built yet: behave as if it could not be made.
Screen RunMenu() { return Screen::MenuUnavailable; }
