#include "output/save_listing.h"

void SaveListing(HWND) {}
