# Helpers that use the running program from outside, as a person would: find its
# windows, move and click the mouse, press keys, type text; and that read what it
# wrote. Sourced by e2e/run.sh. Needs DISPLAY, OUT and SCEN_OUT.
#
# Every wait polls with a deadline; a helper that gives up calls fail, which ends the
# scenario (each scenario runs in a subshell) with a message naming what it waited for.

# Conditions are handed to poll as text and evaluated there, so they are written in
# single quotes and use variables that look unused to shellcheck.
# shellcheck disable=SC2016,SC2034
KV_PY=$E2E/lib/kv.py

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${DISPLAY:-}" ] && [ -n "${SCEN_OUT:-}" ]; then
    import -window root "$SCEN_OUT/failure.png" 2>/dev/null &&
      echo "screenshot: $SCEN_OUT/failure.png" >&2
  fi
  exit 1
}

# skip WHAT REASON: a scenario that cannot run here fails, unless the person running the
# tests asked to skip WHAT by name (KELVORA_SKIP=printer,clipboard,...).
skip() {
  local what=$1
  shift
  if skip_asked "$what"; then
    echo "SKIP: $what: $*" >&2
    exit 77
  fi
  fail "$* (set KELVORA_SKIP=$what to skip this on purpose)"
}

# skip_asked WHAT: KELVORA_SKIP names WHAT.
skip_asked() {
  case ",${KELVORA_SKIP:-}," in *",$1,"*) return 0 ;; esac
  return 1
}

step() {
  echo "-- $*"
}

# How many times longer than its nominal seconds every wait may take before it gives
# up: a loaded machine is slow, and a wait that ends early costs nothing. One place for
# every wait of the scenarios (KELVORA_E2E_PATIENCE overrides it).
PATIENCE=${KELVORA_E2E_PATIENCE:-4}

# poll SECONDS CONDITION: evaluates the shell text CONDITION every tenth of a second
# until it holds (status 0) or SECONDS times PATIENCE have passed (status 1).
poll() {
  local deadline=$((SECONDS + $1 * PATIENCE))
  while :; do
    eval "$2" && return 0
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

# ---------------------------------------------------------------------------------
# Windows. In Wine's virtual desktop every top-level window of the program is an X
# window of class "kelvora.exe" whose name is the window's title.

window_exists() {
  xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# The visible windows of the program, one "id name" a line.
program_windows() {
  local id
  for id in $(xdotool search --onlyvisible --classname '^kelvora\.exe$' 2>/dev/null); do
    echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

# Popup menus: the program's visible windows without a name, larger than a dot.
popup_windows() {
  local id name
  while read -r id name; do
    [ -n "$id" ] && [ -z "$name" ] || continue
    window_geometry "$id"
    [ "$GW" -gt 20 ] && [ "$GH" -gt 20 ] && echo "$id"
  done < <(program_windows)
}

# Named windows of the program other than its main window (dialogs, message boxes).
other_windows() {
  local id name
  while read -r id name; do
    [ -n "$id" ] && [ -n "$name" ] && [ "$id" != "${PROGRAM_WID:-}" ] || continue
    case $name in "Default IME" | "") continue ;; esac
    echo "$id $name"
  done < <(program_windows)
}

# window_geometry ID: sets GX GY (top-left on the screen) and GW GH.
window_geometry() {
  local info
  info=$(xwininfo -id "$1" 2>/dev/null) || { GX=0 GY=0 GW=0 GH=0; return 1; }
  GX=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  GY=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  GW=$(awk '/Width:/ {print $2}' <<<"$info")
  GH=$(awk '/Height:/ {print $2}' <<<"$info")
}

# wait_window TITLE_REGEX SECONDS WHAT: sets WID to the visible window whose title
# matches, or fails naming WHAT.
wait_window() {
  local pattern=$1
  WID=
  poll "$2" 'WID=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1); [ -n "$WID" ]' ||
    fail "waited ${2}s for $3 (a window titled /$1/); the program's windows: $(program_windows | tr '\n' ';')"
}

# wait_dialog TITLE_REGEX WHAT: like wait_window, and then waits until the dialog is
# drawn completely, so that it is ready for the keys and clicks that follow.
wait_dialog() {
  wait_window "$1" 10 "$2"
  window_geometry "$WID"
  settle "$GX" "$GY" "$GW" "$GH"
}

# wait_closed ID SECONDS WHAT
wait_closed() {
  local id=$1
  poll "$2" '! window_exists "$id"' || fail "waited ${2}s for $3 to close"
}

# wait_popup WHAT: sets POPUP to the popup menu that opens.
wait_popup() {
  POPUP=
  poll 10 'POPUP=$(popup_windows | head -n1); [ -n "$POPUP" ]' ||
    fail "waited 10s for $1 to open (an unnamed window of the program)"
}

# wait_title TEXT: the main window's title becomes TEXT.
wait_title() {
  local title='' wanted=$1
  poll 10 'title=$(xdotool getwindowname "$PROGRAM_WID" 2>/dev/null); [ "$title" = "$wanted" ]' ||
    fail "waited 10s for the title \"$1\"; it reads \"$title\""
}

# ---------------------------------------------------------------------------------
# Input.

key() {
  xdotool key --delay 60 "$@"
}

type_text() {
  xdotool type --delay 40 -- "$1"
}

# click_at X Y [BUTTON]
click_at() {
  xdotool mousemove "$1" "$2"
  xdotool click "${3:-1}"
}

# right_click X Y: a right-click. Two right-clicks on the same spot within the
# system's double-click time (half a second) arrive as a double-click, which opens no
# context menu; so a second right-click there waits until that time has passed.
LAST_RIGHT_CLICK=
right_click() {
  local now
  now=$(date +%s%N)
  if [ -n "$LAST_RIGHT_CLICK" ]; then
    local x y t
    read -r x y t <<<"$LAST_RIGHT_CLICK"
    local dx=$(($1 - x)) dy=$(($2 - y)) waited=$(((now - t) / 1000000))
    if [ "${dx#-}" -le 8 ] && [ "${dy#-}" -le 8 ] && [ "$waited" -lt 600 ]; then
      sleep "0.$(printf '%03d' $((600 - waited)))"
    fi
  fi
  click_at "$1" "$2" 3
  LAST_RIGHT_CLICK="$1 $2 $(date +%s%N)"
}

# The picture of a part of the screen: grab X Y W H FILE.
grab() {
  import -window root -crop "${3}x${4}+${1}+${2}" +repage -depth 8 "$5"
}

# settle X Y W H: waits until that part of the screen stops changing, which means
# the program has handled the input sent so far and painted the result.
settle() {
  local before='' now='' area="${3}x${4}+${1}+${2}"
  poll 15 'now=$(import -window root -crop "$area" +repage rgb:- 2>/dev/null | md5sum);
           [ "$now" = "$before" ] || { before=$now; sleep 0.15; false; }' ||
    fail "the screen at ${3}x${4}+${1}+${2} kept changing for 15s"
}

# ---------------------------------------------------------------------------------
# The main window's panes. The client area lies inside the window's frame and client
# edge (6 pixels) and below its caption and menu bar (46 pixels from the top); the tree
# pane is its left 200 pixels, the listing pane the rest beyond the splitter.

# tree_region: sets TX TY TW TH to the inside of the tree pane.
tree_region() {
  window_geometry "$PROGRAM_WID"
  TX=$((GX + 6)) TY=$((GY + 46)) TW=196 TH=$((GH - 54))
}

# pane_region: sets PX PY PW PH to the listing pane, inside its client edge.
pane_region() {
  window_geometry "$PROGRAM_WID"
  PX=$((GX + 211)) PY=$((GY + 50)) PW=$((GW - 221)) PH=$((GH - 60))
}

# pane_point: sets PX PY to a point inside the listing pane.
pane_point() {
  window_geometry "$PROGRAM_WID"
  PX=$((GX + 210 + (GW - 220) / 2)) PY=$((GY + GH / 2))
}

# The tree's type-ahead search joins letters typed within half a second into one
# name. Before a new name is typed, wait for the program to be idle, then let that
# half second pass.
tree_pause() {
  tree_region
  settle "$TX" "$TY" "$TW" "$TH"
  sleep 0.6
}

# The tree has the keyboard focus at start. A dialog or the listing's context menu
# takes it away, and the main window does not give it back to the tree: the tree
# then shows no selection and ignores the arrow keys. A person clicks into the tree;
# a left click would also open or shut the node clicked, so a right-click on the
# selected node and "Cancel" in its menu is used, which leaves the tree as it was.
TREE_FOCUS=1
TREE_ROW=
tree_lost_focus() {
  TREE_FOCUS=0
}

tree_focus() {
  [ "$TREE_FOCUS" = 1 ] && return 0
  [ -n "$TREE_ROW" ] || fail "the tree lost the keyboard focus before any of its rows was found"
  right_click ${TREE_ROW% *} ${TREE_ROW#* }
  wait_popup "the folder menu (to give the tree the focus)"
  menu_pick c "folder menu"
  TREE_FOCUS=1
}

# tree_key KEY...: keys for the tree, which gets the focus first.
tree_key() {
  tree_focus
  key "$@"
}

# tree_go FOLDER: selects a folder (given by its path on this machine, drive Z: to the
# program) with the keyboard, as a person would: Home (My Computer), then the first
# letter of the drive and of each folder on the way. Each selection reads the folder
# and opens it, so its subfolders follow it in the tree.
#
# The tree's type-ahead search moves to the next item that begins with a letter typed
# on its own, and joins letters typed within half a second into one name. A whole
# name typed in one go is only found when the program handles each letter within
# half a second of the one before, which a busy machine does not promise; so where a
# folder is the only one of its parent to begin with its letter, that letter alone is
# typed, after a pause that keeps it from joining the letter before.
tree_go() {
  local path=$1
  tree_key Home
  tree_pause
  type_text z
  local parent=/ rest=${path#/} name
  while [ -n "$rest" ]; do
    name=${rest%%/*}
    tree_pause
    tree_type_name "$parent" "$name"
    parent=${parent%/}/$name
    if [ "$rest" = "$name" ]; then rest=; else rest=${rest#*/}; fi
  done
  tree_pause
}

# tree_type_name PARENT NAME: types the letter (or the name) that selects the
# subfolder NAME of the selected folder PARENT.
tree_type_name() {
  local first=${2:0:1} peers
  # The folders the tree shows: directories (links to them too) not beginning with ".".
  peers=$(find "$1" -mindepth 1 -maxdepth 1 -xtype d ! -name '.*' -iname "$first*" 2>/dev/null | wc -l)
  if [ "$peers" -eq 1 ]; then
    type_text "$first"
  else
    echo "note: $peers folders of $1 begin with \"$first\"; typing the whole name $2"
    type_text "$2"
  fi
}

# selected_row: sets RX RY to the centre of the tree's selected row, found by its
# highlight colour.
selected_row() {
  tree_focus
  tree_region
  settle "$TX" "$TY" "$TW" "$TH"
  grab "$TX" "$TY" "$TW" "$TH" "$SCEN_OUT/tree.ppm"
  local at
  at=$(python3 "$KV_PY" highlight "$SCEN_OUT/tree.ppm")
  [ -n "$at" ] || fail "no selected row in the tree pane"
  RX=$((TX + ${at% *})) RY=$((TY + ${at#* }))
  TREE_ROW="$RX $RY"
}

# menu_pick LETTER WHAT: presses an item's underlined letter in the open popup menu
# and waits for the menu to close.
menu_pick() {
  key "$1"
  poll 10 '! window_exists "$POPUP"' || fail "the $2 did not close after the key $1"
}

# folder_menu LETTER: right-click on the tree's selected node, then the item of the
# folder menu with that underlined letter: l List Folder, u UnList Folder,
# s List Sub-Folders, f UnList Sub-Folders, r Refresh, c Cancel.
folder_menu() {
  selected_row
  right_click "$RX" "$RY"
  wait_popup "the folder menu"
  menu_pick "$1" "folder menu"
}

# edit_menu LETTER: right-click in the listing pane, then the item of the Edit menu
# with that letter: u Undo, t Cut, c Copy, p Paste, d Delete, a Select All.
edit_menu() {
  pane_point
  right_click "$PX" "$PY"
  wait_popup "the Edit menu over the listing"
  menu_pick "$1" "Edit menu"
  tree_lost_focus
}

# main_menu POSITION LETTER: the item with that underlined letter in the main menu's
# popup at POSITION (0 File, 1 Edit, 2 View, 3 Help): a click on "File", the Right
# key to move along the menu bar, then the letter.
main_menu() {
  window_geometry "$PROGRAM_WID"
  click_at $((GX + 20)) $((GY + 33))
  wait_popup "the File menu"
  local i
  for ((i = 0; i < $1; i++)); do key Right; done
  key "$2"
  poll 10 '[ -z "$(popup_windows)" ]' || fail "the main menu did not close after the key $2"
}

# ---------------------------------------------------------------------------------
# Dialogs.

# dialog_click ID X Y: a click at a point given in the dialog's own units (those of
# its template), converted with the size of the dialog window: a caption of 19 and a
# frame of 3 pixels around a client area of DLG_W x DLG_H units.
dialog_click() {
  window_geometry "$1"
  local cw=$((GW - 6)) ch=$((GH - 25))
  local x=$((GX + 3 + $2 * cw / DLG_W)) y=$((GY + 22 + $3 * ch / DLG_H))
  click_at "$x" "$y"
}

# The Options dialog: 192 x 111 units; each control's place in the template.
options_open() {
  tree_lost_focus
  key F2
  wait_dialog '^Options$' "the Options dialog"
  OPTIONS=$WID
  DLG_W=192 DLG_H=111
}

# options_tick LABEL: clicks the check box with that label (on its text).
options_tick() {
  local x y
  case $1 in
    "List Item Names") x=103 y=1 ;;
    "Include Extensions") x=103 y=16 ;;
    "List Folder Names") x=7 y=1 ;;
    "Include Empty Folders") x=7 y=16 ;;
    "Items Lower Case") x=103 y=31 ;;
    "Folders Lower Case") x=7 y=31 ;;
    "Items Upper Case") x=103 y=46 ;;
    "Folders Upper Case") x=7 y=46 ;;
    "Complete Folder Path") x=7 y=61 ;;
    "UnderScore = Space") x=103 y=61 ;;
    *) fail "no check box \"$1\" in the Options dialog" ;;
  esac
  dialog_click "$OPTIONS" $((x + 30)) $((y + 5))
}

# options_type_filter TEXT: replaces the text of the filter box with TEXT.
options_type_filter() {
  dialog_click "$OPTIONS" 40 81
  key Home shift+End
  type_text "$1"
}

options_ok() {
  dialog_click "$OPTIONS" 39 101
}

# save_as FILE: Ctrl+S, the Windows path of FILE typed into the Save As dialog, Enter;
# waits until the file is written completely.
save_as() {
  local file=$1
  rm -f "$file"
  tree_lost_focus
  key ctrl+s
  wait_dialog '^Save As$' "the Save As dialog"
  local dialog=$WID
  type_text "$(windows_path "$file")"
  key Return
  wait_closed "$dialog" 10 "the Save As dialog"
  # The document is complete when it ends with its closing brace and has stopped
  # growing (a brace also ends the font table, which may come in an earlier chunk).
  local size='' last=''
  poll 15 'size=$(stat -c %s "$file" 2>/dev/null);
           [ -n "$size" ] && [ "$size" = "$last" ] &&
             [ "$(tr -d "\0\r\n " <"$file" | tail -c 1)" = "}" ] || { last=$size; false; }' ||
    fail "waited 15s for $file to be written as a complete RTF document"
}

# windows_path UNIX_PATH: the same file as the program sees it, on drive Z:.
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# ---------------------------------------------------------------------------------
# Results.

# expect_distinct COUNT WHAT: standard input holds COUNT digests of drawn names (kv.py
# lines or selection), no two alike. A name drawn as boxes or bars, which look the
# same whatever the letters, shows up as a repeated digest.
expect_distinct() {
  local digests
  digests=$(cat)
  [ "$(printf '%s\n' "$digests" | grep -c .)" -eq "$1" ] ||
    fail "$2: $(printf '%s\n' "$digests" | grep -c .) drawn, not $1"
  [ -z "$(printf '%s\n' "$digests" | sort | uniq -d)" ] ||
    fail "$2: different names are drawn alike (boxes or bars instead of letters)"
  echo "$2: $1 names, each drawn in its own letters"
}

# expect_listing RTF_FILE: compares the text of a saved listing with the expected
# one given on standard input (headings indented by four spaces, items below them).
expect_listing() {
  local rtf=$1 base=${1%.*}
  cat >"$base.expected.txt"
  # A document other programs can open: the standard header, whatever the text holds.
  [ "$(head -c 6 "$rtf")" = '{\rtf1' ] ||
    fail "$rtf is not a standard RTF document: it begins with $(head -c 12 "$rtf")"
  python3 "$KV_PY" rtf-text "$rtf" >"$base.txt" || fail "unrtf could not read $rtf"
  python3 "$KV_PY" compare "$base.expected.txt" "$base.txt" ||
    fail "$rtf does not hold the expected listing"
  local headings=()
  mapfile -t headings < <(sed -n 's/^    //p' "$base.expected.txt" | LC_ALL=C grep -v '[^ -~]')
  if [ ${#headings[@]} -gt 0 ]; then
    python3 "$KV_PY" indents "$rtf" "${headings[@]}" || fail "a heading of $rtf lost its indent"
  fi
  echo "$rtf holds the expected listing"
}
