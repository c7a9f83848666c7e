#include "output/print_listing.h"

void PrintListing(HWND) {}
