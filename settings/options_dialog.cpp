#include "settings/options_dialog.h"

INT_PTR OptionsDialog(HWND) {
    return 0;
}
