; Actions of the navigation panel's buttons and clips. None of these blocks
; declares a constant pool: the functions of the main script keep using the
; main script's pool when a button calls them.

.block drag_press
; The drag handle lives on the panel's own timeline, so "this" is the panel.
; It may leave the frame by at most 4 pixels on the right.
  push "gFrameHeight"
  getvariable
  push "this"
  getvariable
  push "_height"
  getmember
  subtract
  push "gFrameWidth"
  getvariable
  push "this"
  getvariable
  push "_width"
  getmember
  subtract
  push 4
  add2
  push 0, 0, false, 5, "this"
  getvariable
  push "startDrag"
  callmethod
  pop

.block drag_release
  enddrag

.block next_release
  push 1, 1, "updateFrame"
  callfunction
  pop

.block prev_release
  push -1, 1, "updateFrame"
  callfunction
  pop

.block autoplay_release
  push 0, "autoplayStart"
  callfunction
  pop

.block pause_release
  push 0, "autoplayStop"
  callfunction
  pop

.block clip_stop
; Frame 1 of every panel clip: the clips only move when the script says so.
  stop
