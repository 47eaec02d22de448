; The loader: frame 1 and frame 2 of the main timeline.
;
; The first action block of the movie starts in the header fragment (its
; constant pool holds constants 0..3), goes on with the configuration document
; (constant 4) and ends here with constants 5..34 and the frame-1 code. That
; code runs on every pass of the loading loop.

.block frame1
.extern_pool "initExec" "undefined" "_global" "gConfig_str" "(configuration document)"
.extern_pool "gConfig_xml" "XML" "Stage" "align" "firstChild" "attributes" "scaleMode" "showMenu"
.extern_pool "true" "gFrameWidth" "frameWidth" "gFrameHeight" "frameHeight" "Curtain_mc" "_width"
.extern_pool "_height" "ldrProgress_mc" "_x" "_y" "ldrBorder_mc" "ldrStatus_txt" "_alpha"
.extern_pool "ldrBytesLoaded" "getBytesLoaded" "ldrBytesTotal" "getBytesTotal" "ldrPercentLoaded"
.extern_pool "text" " %" "_xscale"
; The movie writer's length patches count on exactly this many bytes.
.size 607

; clip -> clip (leaves the clip, centred horizontally against the frame width)
.macro centre_x clip
  push %clip
  getvariable
  push "_x", "gFrameWidth"
  getvariable
  push %clip
  getvariable
  push "_width"
  getmember
  subtract
  push 2
  divide
  setmember
.endm
.macro centre_y clip
  push %clip
  getvariable
  push "_y", "gFrameHeight"
  getvariable
  push %clip
  getvariable
  push "_height"
  getmember
  subtract
  push 2
  divide
  setmember
.endm

  ; Set-up, on the first pass only.
  push "initExec"
  getvariable
  push undefined
  equals2
  not
  if every_pass
  push "initExec", true
  setvariable

  ; The document is constant 4 of this block's pool.
  push "_global"
  getvariable
  push "gConfig_str", #4
  setmember
  push "_global"
  getvariable
  push "gConfig_xml", "gConfig_str"
  getvariable
  push 1, "XML"
  newobject
  setmember

  ; Register 1: the attributes of the first element (init).
  push "gConfig_xml"
  getvariable
  push "firstChild"
  getmember
  push "attributes"
  getmember
  storeregister 1
  pop

  ; Without an align attribute the stage keeps the player's default (centred).
  push r:1, "align"
  getmember
  push undefined
  equals2
  if align_done
  push "Stage"
  getvariable
  push "align", r:1, "align"
  getmember
  setmember
align_done:
  push "Stage"
  getvariable
  push "scaleMode", r:1, "scaleMode"
  getmember
  setmember
  ; The context menu (and with it Print) only when showMenu is "true".
  push "Stage"
  getvariable
  push "showMenu", r:1, "showMenu"
  getmember
  push "true"
  equals2
  setmember

  push "_global"
  getvariable
  push "gFrameWidth", r:1, "frameWidth"
  getmember
  tonumber
  setmember
  push "_global"
  getvariable
  push "gFrameHeight", r:1, "frameHeight"
  getmember
  tonumber
  setmember

  ; The curtain covers the frame.
  push "Curtain_mc"
  getvariable
  push "_width", "gFrameWidth"
  getvariable
  setmember
  push "Curtain_mc"
  getvariable
  push "_height", "gFrameHeight"
  getvariable
  setmember

  ; Bar, frame and text centred; the text one text-height below the bar's top.
  centre_x "ldrProgress_mc"
  centre_y "ldrProgress_mc"
  centre_x "ldrBorder_mc"
  centre_y "ldrBorder_mc"
  centre_x "ldrStatus_txt"
  push "ldrStatus_txt"
  getvariable
  push "_y", "ldrProgress_mc"
  getvariable
  push "_y"
  getmember
  push "ldrStatus_txt"
  getvariable
  push "_height"
  getmember
  add2
  setmember

  ; While loading, the curtain lets the loader show through.
  push "Curtain_mc"
  getvariable
  push "_alpha", 0
  setmember

every_pass:
  push "ldrBytesLoaded", 0, "this"
  getvariable
  push "getBytesLoaded"
  callmethod
  setvariable
  push "ldrBytesTotal", 0, "this"
  getvariable
  push "getBytesTotal"
  callmethod
  setvariable
  push "ldrPercentLoaded", "ldrBytesLoaded"
  getvariable
  push "ldrBytesTotal"
  getvariable
  divide
  push 100
  multiply
  tointeger
  setvariable

  push "ldrStatus_txt"
  getvariable
  push "text", "ldrPercentLoaded"
  getvariable
  push " %"
  add2
  setmember
  push "ldrProgress_mc"
  getvariable
  push "_xscale", "ldrPercentLoaded"
  getvariable
  setmember
  push "ORV loader ", "ldrPercentLoaded"
  getvariable
  add2
  trace

.block frame2
; The loading loop: back to frame 1 until every byte is there, then the
; curtain closes while the panel is set up.
  push 0, "this"
  getvariable
  push "getBytesLoaded"
  callmethod
  push 0, "this"
  getvariable
  push "getBytesTotal"
  callmethod
  less2
  not
  if loaded
  gotoframe 0
  play
  jump done
loaded:
  push "Curtain_mc"
  getvariable
  push "_alpha", 100
  setmember
done:
