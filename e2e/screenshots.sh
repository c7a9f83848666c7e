# The README's pictures, taken of the running program: the main window with a
# listing, the folder menu, the Options dialog, and the first printed page (when the
# private PDF printer can run here). Sourced by e2e/run.sh
# (run.sh BUILD_DIR --screenshots).

# A small music collection on drive C: of the throwaway prefix, so the pictures show a
# tidy tree rather than whatever this machine keeps under /tmp.
make_demo_collection() {
  local m=$WINEPREFIX/drive_c/Music
  rm -rf "$m"
  mkdir -p "$m/Evening_Songs" "$m/Harbour_Lights" "$m/Live_at_the_Mill"
  : >"$m/Evening_Songs/01_First_Light.mp3"
  : >"$m/Evening_Songs/02_Slow_River.mp3"
  : >"$m/Evening_Songs/03_Evening_Song.mp3"
  : >"$m/Evening_Songs/cover.jpg"
  : >"$m/Harbour_Lights/01_Harbour_Lights.mp3"
  : >"$m/Harbour_Lights/02_North_Wind.mp3"
  : >"$m/Live_at_the_Mill/01_Opening.mp3"
  : >"$m/Live_at_the_Mill/02_Long_Road_Home.mp3"
  : >"$m/Live_at_the_Mill/03_Encore.mp3"
}

# grab_main_window FILE: the main window and whatever is open over it.
grab_main_window() {
  window_geometry "$PROGRAM_WID"
  settle "$GX" "$GY" "$GW" "$GH"
  grab "$GX" "$GY" "$GW" "$GH" "$1"
  echo "took $1"
}

take_screenshots() {
  local dest=$1
  mkdir -p "$dest"
  WORK=$RUN/shots
  mkdir -p "$WORK/start"
  make_demo_collection
  start_program "$WORK/start" kvshots
  step "C:\\Music: List Sub-Folders"
  tree_key Home
  tree_pause
  type_text c
  tree_pause
  tree_type_name "$WINEPREFIX/drive_c" Music
  tree_pause
  folder_menu s
  step "the main window with the listing"
  tree_key Down
  tree_pause
  grab_main_window "$dest/main-window.png"
  step "the folder menu"
  selected_row
  right_click "$RX" "$RY"
  wait_popup "the folder menu"
  # Point at the first item, as a person about to choose it.
  window_geometry "$POPUP"
  xdotool mousemove $((GX + 40)) $((GY + 11))
  grab_main_window "$dest/folder-menu.png"
  key Escape
  poll 10 '! window_exists "$POPUP"' || fail "the folder menu did not close"
  step "the Options dialog"
  options_open
  # Move the pointer off the dialog so it hides nothing.
  xdotool mousemove 1000 750
  grab_main_window "$dest/options-dialog.png"
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
  rm -rf "$WINEPREFIX/drive_c/Music"
}
