# The end-to-end scenarios, one function each. Sourced by e2e/run.sh, which runs each
# function in a subshell with these set:
#   WORK   a fresh folder of the scenario under /tmp, with the start directory
#          WORK/start and WORK/data (the scenario's own folders to list)
#   SCEN_OUT   where the scenario's log, saved files and failure screenshot are kept

# Conditions are handed to poll as text and evaluated there, so they are written in
# single quotes and use variables that look unused to shellcheck.
# shellcheck disable=SC2016,SC2034
# The folders of the listing generator's worked example, below WORK/data: Empty holds
# only notes.txt; Music holds two MP3 files, a picture and the folder Live, which holds
# one MP3 file. Two text files serve the scenario with the "txt" filter.
make_worked_example() {
  local d=$WORK/data
  mkdir -p "$d/Empty" "$d/Music/Live"
  : >"$d/Empty/notes.txt"
  : >"$d/Music/Best_Of.mp3"
  : >"$d/Music/cover.jpg"
  : >"$d/Music/intro.mp3"
  : >"$d/Music/Live/encore_1.mp3"
  : >"$d/Music/Live/read_me.txt"
}

# The worked example's listing with the default options.
WORKED_EXAMPLE_LISTING='    Music
Best Of
intro
    Live
encore 1'

# Lists the worked example as a person would: "&List Folder" on Music, then
# "List &Sub-Folders" on its parent. Leaves the parent (the data folder) selected.
list_worked_example() {
  step "select the data folder with the keyboard"
  tree_go "$WORK/data"
  step "Music: right-click, List Folder"
  tree_key Down Down
  folder_menu l
  step "its parent: right-click, List Sub-Folders"
  tree_key Up Up
  folder_menu s
}

scenario_1_first_start() {
  start_program "$WORK/start" kv1
  wait_title "Kelvora: *.mp3"
  local ini=$WORK/start/Kelvora.ini
  poll 10 '[ -s "$ini" ]' || fail "Kelvora.ini was not created in the start directory"
  local content
  content=$(tr -d '\r' <"$ini")
  [ "$content" = $'[ext]\nExtensions=mp3,txt,zip,jpg,:' ] ||
    fail "Kelvora.ini holds something else than the default list: $(cat -A "$ini")"
  # The window starts active, and its caption says so (not in the inactive grey).
  window_geometry "$PROGRAM_WID"
  settle "$GX" "$GY" "$GW" 24
  local caption
  caption=$(import -window root -crop "1x1+$((GX + GW / 2))+$((GY + 12))" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n1)
  [ -n "$caption" ] || fail "could not read the caption's colour from the screen"
  [ "$caption" != "#808080" ] || fail "the caption of the active window is drawn inactive ($caption)"
  echo "title and default Kelvora.ini are right; the caption is drawn active ($caption)"
}

scenario_2_list_and_save() {
  make_worked_example
  start_program "$WORK/start" kv2
  list_worked_example
  step "Ctrl+S, a Windows path, Enter"
  save_as "$WORK/listing.rtf"
  expect_listing "$WORK/listing.rtf" <<<"$WORKED_EXAMPLE_LISTING"
}

scenario_3_full_upper_case_paths() {
  make_worked_example
  start_program "$WORK/start" kv3
  list_worked_example
  save_as "$WORK/before.rtf"
  expect_listing "$WORK/before.rtf" <<<"$WORKED_EXAMPLE_LISTING"
  step "F2, tick Complete Folder Path and Folders Upper Case, OK"
  options_open
  options_tick "Complete Folder Path"
  options_tick "Folders Upper Case"
  options_ok
  wait_closed "$OPTIONS" 10 "the Options dialog"
  save_as "$WORK/upper.rtf"
  local music
  music=$(windows_path "$WORK/data/Music" | tr '[:lower:]' '[:upper:]')
  expect_listing "$WORK/upper.rtf" <<EOF
    $music
Best Of
intro
    $music\\LIVE
encore 1
EOF
}

scenario_4_new_filter() {
  make_worked_example
  start_program "$WORK/start" kv4
  list_worked_example
  step "F2, type txt, OK, Enter answers the question"
  options_open
  options_type_filter txt
  options_ok
  wait_dialog '^Add String To List\?$' 'the question "Add String To List?"'
  local question=$WID
  key Return
  wait_closed "$question" 10 'the question "Add String To List?"'
  wait_closed "$OPTIONS" 10 "the Options dialog"
  wait_title "Kelvora: *.txt"
  local value
  value=$(python3 "$KV_PY" ini-value "$WORK/start/Kelvora.ini" ext Extensions) ||
    fail "Kelvora.ini has no extension list"
  [ "$value" = "mp3,txt,zip,jpg,txt,:" ] ||
    fail "the extension list should end with \"txt,:\" after the added filter; it is \"$value\""
  save_as "$WORK/txt.rtf"
  expect_listing "$WORK/txt.rtf" <<'EOF'
    Empty
notes
    Live
read me
EOF
}

scenario_5_delete_and_undo() {
  make_worked_example
  start_program "$WORK/start" kv5
  list_worked_example
  save_as "$WORK/listed.rtf"
  expect_listing "$WORK/listed.rtf" <<<"$WORKED_EXAMPLE_LISTING"
  step "Select All, Delete from the listing's context menu"
  edit_menu a
  edit_menu d
  save_as "$WORK/deleted.rtf"
  expect_listing "$WORK/deleted.rtf" </dev/null
  step "Undo from the context menu"
  edit_menu u
  save_as "$WORK/undone.rtf"
  expect_listing "$WORK/undone.rtf" <<<"$WORKED_EXAMPLE_LISTING"
}

scenario_6_unlist_and_refresh() {
  make_worked_example
  start_program "$WORK/start" kv6
  list_worked_example
  step "Music: UnList Folder"
  tree_key Down Down
  folder_menu u
  save_as "$WORK/without-music.rtf"
  expect_listing "$WORK/without-music.rtf" <<'EOF'
    Live
encore 1
EOF
  step "words typed at the end of the listing"
  pane_point
  click_at "$PX" "$PY"
  key ctrl+End
  type_text " by hand"
  tree_lost_focus
  step "the data folder: UnList Sub-Folders"
  tree_key Up Up
  folder_menu f
  save_as "$WORK/empty.rtf"
  expect_listing "$WORK/empty.rtf" </dev/null
  step "Empty, which holds no MP3 file: List Folder gives another empty listing"
  tree_key Down
  folder_menu l
  save_as "$WORK/still-empty.rtf"
  expect_listing "$WORK/still-empty.rtf" </dev/null
  step "Ctrl+Z in the listing brings back the edited listing"
  pane_point
  click_at "$PX" "$PY"
  key ctrl+z
  tree_lost_focus
  save_as "$WORK/undone.rtf"
  expect_listing "$WORK/undone.rtf" <<'EOF'
    Live
encore 1 by hand
EOF
  tree_key Up
  step "a folder made on disk shows after Refresh"
  mkdir "$WORK/data/Added"
  : >"$WORK/data/Added/new_song.mp3"
  folder_menu r
  # Added sorts first among the data folder's subfolders.
  tree_key Down
  folder_menu l
  save_as "$WORK/added.rtf"
  expect_listing "$WORK/added.rtf" <<'EOF'
    Added
new song
EOF
}

# The number of documents the PDF printer has written.
pdf_count() {
  find "$CUPS_RUN/pdf" -name '*.pdf' 2>/dev/null | wc -l
}

scenario_7_print() {
  [ -n "${CUPS_SERVER:-}" ] ||
    skip printer "no private CUPS printer here: $(tail -n 3 "$OUT/cups.log" 2>/dev/null | tr '\n' ' ')"
  local pdfs=$CUPS_RUN/pdf
  local before
  before=$(pdf_count)
  make_worked_example
  start_program "$WORK/start" kv7
  list_worked_example
  step "Ctrl+P, OK on the default (PDF) printer"
  tree_lost_focus
  key ctrl+p
  wait_dialog '^Print$' "the Print dialog"
  local dialog=$WID
  grab "$GX" "$GY" "$GW" "$GH" "$SCEN_OUT/print-dialog.png"
  key Return
  wait_closed "$dialog" 10 "the Print dialog"
  if ! poll 60 '[ "$(pdf_count)" -gt "$before" ] && [ -z "$(lpstat -o 2>/dev/null)" ]'; then
    cp -r "$CUPS_RUN/log" "$SCEN_OUT/cups-log" 2>/dev/null
    fail "no PDF came out of the printer in 60s (queue: $(lpstat -o 2>/dev/null | tr '\n' ' '))"
  fi
  local pdf
  pdf=$(find "$pdfs" -name '*.pdf' -printf '%T@ %p\n' | sort -n | tail -n1 | cut -d' ' -f2-)
  cp "$pdf" "$WORK/printed.pdf"
  pdftotext -layout "$WORK/printed.pdf" "$WORK/printed.txt" || fail "pdftotext could not read $pdf"
  # pdftotext ends pages with a form feed; the PDF keeps the headings' indent only
  # as a position, so the comparison ignores blank lines and indents.
  tr -d '\f' <"$WORK/printed.txt" | sed 's/^ \{4,\}/    /' >"$WORK/printed.lines.txt"
  printf '%s\n' "$WORKED_EXAMPLE_LISTING" >"$WORK/printed.expected.txt"
  python3 "$KV_PY" compare --loose "$WORK/printed.expected.txt" "$WORK/printed.lines.txt" ||
    fail "the printed PDF does not hold the listing"
  echo "the printed PDF holds the listing"
}

scenario_8_japanese_names() {
  local d=$WORK/data
  mkdir -p "$d/音楽_フォルダ"
  : >"$d/音楽_フォルダ/曲_一.mp3"
  : >"$d/音楽_フォルダ/歌.mp3"
  : >"$d/音楽_フォルダ/メモ.txt"
  # Single letters of other scripts: Greek, Cyrillic, Japanese, Chinese, Korean.
  for n in α β Ж Я 日 本 书 한 글; do : >"$d/音楽_フォルダ/$n.mp3"; done
  mkdir -p "$d/α" "$d/β" "$d/日" "$d/本"
  start_program "$WORK/start" kv8
  step "the data folder: List Sub-Folders"
  tree_go "$WORK/data"
  folder_menu s
  save_as "$WORK/japanese.rtf"
  expect_listing "$WORK/japanese.rtf" <<'EOF'
    音楽 フォルダ
曲 一
歌
α
β
Ж
Я
日
本
书
한
글
EOF
  # The names must also be readable on screen: drawn with a face that lacks their
  # letters, they all come out as the same boxes or bars.
  step "the listing's single letters are drawn each in its own letters"
  pane_region
  settle "$PX" "$PY" "$PW" "$PH"
  grab "$PX" "$PY" "$PW" "$PH" "$SCEN_OUT/pane.ppm"
  expect_distinct 9 "the listing's single-letter names" \
    < <(python3 "$KV_PY" lines "$SCEN_OUT/pane.ppm" | tail -n 9)
  step "the data folder's subfolders are drawn each in its own letters"
  local i rows=()
  for i in 1 2 3 4 5; do
    tree_key Down
    selected_row
    rows+=("$(python3 "$KV_PY" selection "$SCEN_OUT/tree.ppm")")
  done
  expect_distinct 5 "the tree's subfolders of the data folder" < <(printf '%s\n' "${rows[@]}")
}

scenario_9_about_box() {
  start_program "$WORK/start" kv9
  local how
  for how in Return Escape click; do
    step "Help, About Kelvora; closed with $how"
    main_menu 3 a
    wait_dialog '^About$' "the About box"
    local about=$WID
    if [ "$how" = click ]; then
      # On the picture, away from the web-site label in its lower half.
      click_at $((GX + GW / 4)) $((GY + GH / 4))
    else
      key "$how"
    fi
    wait_closed "$about" 10 "the About box (after $how)"
  done
  step "Esc and Enter still work in the Options dialog"
  for how in Escape Return; do
    options_open
    key "$how"
    wait_closed "$OPTIONS" 10 "the Options dialog (after $how)"
  done
  echo "the About box opens and closes each time, and leaves Esc and Enter free"
}

# ---------------------------------------------------------------------------------
# The clipboard as other programs read it, and the window's system keys with the
# tree focused.

# clip TARGET: what a Linux program reads from the X clipboard in that target.
clip() {
  timeout 10 xclip -o -selection clipboard -t "$1" 2>/dev/null
}

# expect_clip_text TEXT WHAT: the clipboard's text target becomes exactly TEXT.
expect_clip_text() {
  local wanted=$1 got=''
  poll 10 'got=$(clip UTF8_STRING | od -An -c | tr -s " \n" " "); [ "$got" = "$(printf %s "$wanted" | od -An -c | tr -s " \n" " ")" ]' ||
    fail "after $2 the clipboard text should be exactly \"$wanted\"; it reads:$got"
}

# expect_clip_rtf FILE: the clipboard's RTF target is a standard RTF document that
# holds only ASCII bytes (non-ASCII characters as \uN escapes); kept in FILE.
expect_clip_rtf() {
  clip text/rtf >"$1" || fail "the clipboard offers no RTF"
  [ "$(head -c 23 "$1")" = '{\rtf1\ansi\ansicpg1252' ] ||
    fail "the clipboard RTF is not standard RTF: it begins with $(head -c 12 "$1" | cat -A)"
  ! LC_ALL=C grep -q '[^ -~[:space:]]' <(tr -d '\0' <"$1") ||
    fail "the clipboard RTF carries raw bytes beyond ASCII"
  [ "$(tr -d '\0' <"$1" | wc -c)" -ge "$(($(wc -c <"$1") - 1))" ] ||
    fail "the clipboard RTF has more than one terminating zero"
}

scenario_21_copy_to_other_programs() {
  command -v xclip >/dev/null || skip clipboard "xclip is missing (scripts/install-deps.sh)"
  local d=$WORK/data
  mkdir -p "$d/Café_音楽_🎵"
  : >"$d/Café_音楽_🎵/hello_world.mp3"
  : >"$d/Café_音楽_🎵/crème_brûlée.mp3"
  mkdir -p "$d/Long"
  local i expected_long='    Long'
  for i in $(seq 100 299); do
    : >"$d/Long/track_${i}_été_🎵.mp3"
    expected_long+=$'\n'"track ${i} été 🎵"
  done
  start_program "$WORK/start" kv21
  step "the data folder: List Sub-Folders; Select All and Copy from the Edit menu"
  tree_go "$WORK/data"
  folder_menu s
  edit_menu a
  edit_menu c
  local text
  poll 10 'text=$(clip UTF8_STRING); [ -n "$text" ]' || fail "Copy put no text on the clipboard"
  printf '%s' "$text" >"$WORK/copied.txt"
  [ "$(tr -d -c '\0\r' <"$WORK/copied.txt" | wc -c)" -eq 0 ] ||
    fail "the copied text holds zeros or carriage returns: $(tail -c 20 "$WORK/copied.txt" | cat -A)"
  python3 "$KV_PY" compare /dev/stdin "$WORK/copied.txt" <<<"    Café 音楽 🎵
hello world
crème brûlée
$expected_long" || fail "the copied text is not the listing"
  expect_clip_rtf "$WORK/copied.rtf"
  python3 "$KV_PY" rtf-text "$WORK/copied.rtf" >"$WORK/copied-rtf.txt" || fail "unrtf could not read the clipboard RTF"
  # unrtf shows a character beyond the BMP (two \u escapes) as two unknown ones.
  grep -q '^ \?Café 音楽 ' "$WORK/copied-rtf.txt" ||
    fail "the clipboard RTF does not hold the heading: $(head -n 3 "$WORK/copied-rtf.txt")"
  [ "$(wc -c <"$WORK/copied.txt")" -gt 4096 ] || fail "the long listing is shorter than 4096 bytes"
  step "Cut empties the pane and hands out the same text; Paste brings it back"
  edit_menu a
  edit_menu t
  save_as "$WORK/cut.rtf"
  expect_listing "$WORK/cut.rtf" </dev/null
  [ "$(clip UTF8_STRING)" = "$text" ] || fail "Cut handed out other text than Copy"
  edit_menu p
  # Another program takes the clipboard; a second Copy shows what the pane holds now.
  printf 'other' | xclip -i -selection clipboard
  expect_clip_text other "another program's copy"
  edit_menu a
  edit_menu c
  local again=''
  poll 10 'again=$(clip UTF8_STRING); [ "$again" != other ]' || fail "the second Copy put nothing on the clipboard"
  [ "$again" = "$text" ] || fail "Paste did not give the copied text back"
  step "short texts typed into the pane, Ctrl+A, Ctrl+C"
  pane_point
  click_at "$PX" "$PY"
  tree_lost_focus
  local t
  for t in a abc "hello world"; do
    key ctrl+a
    type_text "$t"
    key ctrl+a ctrl+c
    expect_clip_text "$t" "Ctrl+C on \"$t\""
  done
  expect_clip_rtf "$WORK/short.rtf"
  step "the last copy stays on the clipboard after File, Exit"
  stop_program
  expect_clip_text "hello world" "the program ended"
  echo "Copy and Cut hand other programs exactly the text and standard RTF; Paste gives it back"
}

scenario_22_system_keys_in_the_tree() {
  make_worked_example
  start_program "$WORK/start" kv22
  # The tree has the keyboard focus from the start.
  step "keys only: Music selected, Shift+F10 opens its folder menu, List Folder"
  tree_go "$WORK/data/Music"
  key shift+F10
  wait_popup "the folder menu after Shift+F10"
  menu_pick l "folder menu"
  step "Live below it: the context-menu key opens its folder menu, List Folder"
  key Down Menu
  wait_popup "the folder menu after the context-menu key"
  menu_pick l "folder menu"
  save_as "$WORK/listing.rtf"
  expect_listing "$WORK/listing.rtf" <<<"$WORKED_EXAMPLE_LISTING"
  local how
  for how in alt F10; do
    step "$how, then Down: the File menu opens"
    key "$how"
    key Down
    wait_popup "the File menu after $how and Down"
    key Escape Escape
    poll 10 '[ -z "$(popup_windows)" ]' || fail "the File menu did not close with Escape"
  done
  step "Alt+Space opens the system menu"
  key alt+space
  wait_popup "the system menu after Alt+Space"
  key Escape
  poll 10 '[ -z "$(popup_windows)" ]' || fail "the system menu did not close with Escape"
  step "Alt+F4 closes the window"
  key alt+F4
  wait_closed "$PROGRAM_WID" 10 "the main window after Alt+F4 with the tree focused"
  echo "Alt, F10, Alt+Space and Alt+F4 act while the tree has the focus"
}

# Enter typed into another program while the Options dialog is open goes to that
# program: the dialog holds Esc and Enter only while it is the active window.
scenario_10_keys_for_other_programs() {
  start_program "$WORK/start" kv10
  step "F2, then Wine's notepad in the same desktop"
  options_open
  local options=$OPTIONS
  (cd "$WORK" && exec setsid "$WINE" explorer "/desktop=kv10,1024x768" notepad.exe \
    </dev/null >>"$OUT/wine.log" 2>&1) &
  wait_dialog ' - Notepad$' "Wine's notepad"
  local notepad=$WID notepad_pid
  notepad_pid=$(xdotool getwindowpid "$notepad" 2>/dev/null || true)
  click_at $((GX + GW / 2)) $((GY + GH / 2))
  step "two lines typed into notepad, saved"
  type_text "one"
  key Return
  type_text "two"
  window_exists "$options" || fail "Enter typed into notepad ended the Options dialog"
  key ctrl+s
  wait_dialog '^Save As$' "notepad's Save As dialog"
  local save=$WID
  type_text "$(windows_path "$WORK/notes.txt")"
  key Return
  wait_closed "$save" 10 "notepad's Save As dialog"
  poll 10 '[ -s "$WORK/notes.txt" ]' || fail "notepad did not save $WORK/notes.txt"
  local content
  content=$(tr -d '\r' <"$WORK/notes.txt")
  [ "$content" = $'one\ntwo' ] || fail "notepad got \"$(cat -A "$WORK/notes.txt")\", not two lines"
  window_exists "$options" || fail "the Options dialog closed while notepad had the keys"
  key alt+F4
  poll 10 '! window_exists "$notepad"' || {
    [ -n "$notepad_pid" ] && kill "$notepad_pid" 2>/dev/null
    fail "notepad did not close on Alt+F4"
  }
  step "back in the Options dialog, Esc closes it"
  window_geometry "$options"
  click_at $((GX + GW / 2)) $((GY + 8))
  key Escape
  wait_closed "$options" 10 "the Options dialog (after Esc)"
  echo "Enter reached notepad, and Esc still closes the Options dialog once it is active"
}

SCENARIOS=(
  scenario_1_first_start
  scenario_2_list_and_save
  scenario_3_full_upper_case_paths
  scenario_4_new_filter
  scenario_5_delete_and_undo
  scenario_6_unlist_and_refresh
  scenario_7_print
  scenario_8_japanese_names
  scenario_9_about_box
  scenario_10_keys_for_other_programs
  scenario_21_copy_to_other_programs
  scenario_22_system_keys_in_the_tree
)
