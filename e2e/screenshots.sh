# The README's and the help page's pictures, taken of the running program: the main
# window with a listing, the folder menu, the Options dialog, the first printed page
# (when the private PDF printer can run here), and the main window at 150 %. Sourced by e2e/run.sh
# (run.sh BUILD_DIR --screenshots).

# A small music collection on drive C: of the throwaway prefix, so the pictures show a
# tidy tree rather than whatever this machine keeps under /tmp. The help page describes
# it: Music and its three sub-folders are listed, and Podcasts holds no mp3 file.
make_demo_collection() {
  local m=$WINEPREFIX/drive_c/Music
  rm -rf "$m"
  mkdir -p "$m/Evening_Songs" "$m/Harbour_Lights" "$m/Podcasts"
  : >"$m/Best_Of.mp3"
  : >"$m/intro.mp3"
  : >"$m/Summer_Mix.mp3"
  : >"$m/Evening_Songs/01_First_Light.mp3"
  : >"$m/Evening_Songs/02_Slow_River.mp3"
  : >"$m/Evening_Songs/03_Evening_Song.mp3"
  : >"$m/Evening_Songs/cover.jpg"
  : >"$m/Harbour_Lights/01_Harbour_Lights.mp3"
  : >"$m/Harbour_Lights/02_North_Wind.mp3"
  : >"$m/Podcasts/episode_12.m4a"
}

# From a fresh start, with the tree's focus: C:\Music gets List Sub-Folders, then List
# Folder.
list_music_folder() {
  tree_key Home
  tree_pause
  type_text c
  tree_pause
  tree_type_name "$WINEPREFIX/drive_c" Music
  tree_pause
  folder_menu s
  folder_menu l
}

# grab_main_window FILE: the main window and whatever is open over it.
grab_main_window() {
  window_geometry "$PROGRAM_WID"
  settle "$GX" "$GY" "$GW" "$GH"
  grab "$GX" "$GY" "$GW" "$GH" "$1"
  echo "took $1"
}

# grab_window WID FILE: one window (a menu, a dialog) on its own.
grab_window() {
  window_geometry "$1"
  settle "$GX" "$GY" "$GW" "$GH"
  grab "$GX" "$GY" "$GW" "$GH" "$2"
  echo "took $2"
}

# take_screenshots README_DIR HELP_DIR: the README gets the whole window each time,
# the help page the main window and then the menu and the dialog on their own.
take_screenshots() {
  local dest=$1 help=$2
  mkdir -p "$dest" "$help"
  WORK=$RUN/shots
  mkdir -p "$WORK/start"
  make_demo_collection
  start_program "$WORK/start" kvshots
  step "C:\\Music: List Sub-Folders"
  list_music_folder
  step "the main window with the listing"
  grab_main_window "$dest/main-window.png"
  cp "$dest/main-window.png" "$help/main-window.png"
  step "the folder menu"
  selected_row
  right_click "$RX" "$RY"
  wait_popup "the folder menu"
  # Point at the first item, as a person about to choose it.
  window_geometry "$POPUP"
  xdotool mousemove $((GX + 40)) $((GY + 11))
  grab_main_window "$dest/folder-menu.png"
  grab_window "$POPUP" "$help/folder-menu.png"
  key Escape
  poll 10 '! window_exists "$POPUP"' || fail "the folder menu did not close"
  step "the Options dialog"
  options_open
  # Move the pointer off the dialog so it hides nothing.
  xdotool mousemove 1000 750
  grab_main_window "$dest/options-dialog.png"
  grab_window "$OPTIONS" "$help/options-dialog.png"
  key Escape
  wait_closed "$OPTIONS" 10 "the Options dialog"
  if [ -n "${CUPS_RUN:-}" ]; then
    step "the printed page"
    local before
    before=$(pdf_count)
    tree_lost_focus
    key ctrl+p
    wait_dialog '^Print$' "the Print dialog"
    local dialog=$WID
    key Return
    wait_closed "$dialog" 10 "the Print dialog"
    poll 60 '[ "$(pdf_count)" -gt "$before" ] && [ -z "$(lpstat -o 2>/dev/null)" ]' ||
      fail "no PDF came out of the printer in 60s"
    local pdf
    pdf=$(find "$CUPS_RUN/pdf" -name '*.pdf' -printf '%T@ %p\n' | sort -n | tail -n1 | cut -d' ' -f2-)
    pdftoppm -f 1 -l 1 -r 60 -png -singlefile "$pdf" "$dest/printed-page"
    echo "took $dest/printed-page.png"
  fi
  step "the main window at 150 % display scaling"
  stop_program || fail "Kelvora did not close before the 150 % picture"
  grab_at_150 "$dest/main-window-150.png"
  rm -rf "$WINEPREFIX/drive_c/Music"
}

# grab_at_150 FILE: the main window with the same listing at 150 % (144 DPI, the
# prefix's LogPixels while this program runs), as a laptop shows it by default.
grab_at_150() {
  local desktop='HKCU\Control Panel\Desktop'
  "$WINE" reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f </dev/null >/dev/null 2>&1 ||
    fail "could not set the prefix to 144 DPI"
  mkdir -p "$WORK/start150"
  start_program "$WORK/start150" kvshots150
  "$WINE" reg delete "$desktop" /v LogPixels /f </dev/null >/dev/null 2>&1 || true
  # A new start: the tree has the focus, and its rows are found afresh.
  TREE_FOCUS=1 TREE_ROW=
  list_music_folder
  grab_main_window "$1"
  # The menu bar lies lower at this scale than stop_program's click on "File" expects.
  key alt+F4
  poll 10 '! window_exists "$PROGRAM_WID"' || fail "Kelvora did not close with Alt+F4"
  stop_program
}
