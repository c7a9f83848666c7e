// The output half of the benchmark: saving and printing the listing that ListingPane
// holds.
#pragma once

// Saves the listing into saveFolder and, if print, prints it on the default printer, with both
// dialogs answered at once, and prints one "name=value" line per figure: save_ms,
// print_ms, print_first_page_ms (from the dialog's OK to the first StartPage),
// print_first_page_end_ms (to the first EndPage), print_in_pages_ms (between each
// StartPage and its EndPage: reading, layout, drawing), print_page_calls_ms (inside
// StartPage and EndPage), print_pages, and the process's GDI objects before and after
// the print.
void BenchOutput(const char* saveFolder, bool print = true);
