; The main player script: runs once in frame 4, when the slides sprite
; (navSlides_mc, depth 1) and the panel (navPanel_mc, depth 3) are in place.
; It reads the configuration document, defines the player's functions on
; _global, wires the keys, the mouse and the per-frame automatic playback,
; and stops the main timeline for good.
;
; Every line the tests rely on is traced with the prefix "ORV ".

.block main
.pool "_global" "_root" "navSlides_mc" "navPanel_mc" "gotoAndStop" "_currentframe" "_totalframes"
.pool "updateFrame" "updateStatus" "fadeSlide" "autoplayInit" "autoplay" "autoplayStart" "autoplayStop"
.pool "hideControls" "setIndicator" "fadeStep" "autoplayStatus" "delay" "delay_array" "gUseFade"
.pool "gAutoStart" "gLoop" "gUsePptTiming" "gFrameWidth" "gFrameHeight" "attributes" "cfgAttr"
.pool "panelPrev_mc" "panelNext_mc" "panelAuto_mc" "panelIndicator_mc" "fade_mc" "_alpha" "this"
.pool "onEnterFrame" "cur" "n" "target" "inc" "showNav" "code" " t=" "startTime"
.pool "elapsedTime" "true" "Object" "addListener"

; Pushes _root[name].
.macro root_get name
  push "_root"
  getvariable
  push %name
  getmember
.endm
; object -> object[name]
.macro member name
  push %name
  getmember
.endm
; Pushes navPanel_mc[name].
.macro panel_get name
  root_get "navPanel_mc"
  member %name
.endm
; Pushes the slides sprite.
.macro slides
  root_get "navSlides_mc"
.endm
; Pushes the value of a variable.
.macro get name
  push %name
  getvariable
.endm
; value -> (nothing); _global[name] = value
.macro set_global name
  push "_global"
  getvariable
  swap
  push %name
  swap
  setmember
.endm
; frame, clip -> (nothing); clip.gotoAndStop(frame)
.macro goto_and_stop
  push 1
  swap
  push "gotoAndStop"
  callmethod
  pop
.endm
; Calls a global function without arguments.
.macro call0 fn
  push 0, %fn
  callfunction
  pop
.endm
; argument -> (nothing); calls fn(argument)
.macro call1 fn
  push 1, %fn
  callfunction
  pop
.endm
; value -> (nothing); traces text + value + " t=" + the timer
.macro trace_t text
  push %text
  swap
  add2
  push " t="
  add2
  gettime
  add2
  trace
.endm
; Branches to label when the key code equals code.
.macro key_is code label
  get "code"
  push %code
  equals2
  if %label
.endm

; ---------------------------------------------------------------- settings
  push 0
  set_global "autoplayStatus"
  push 3
  set_global "delay"
  push 0, "Array"
  newobject
  set_global "delay_array"

  ; cfgAttr: the attributes of the second element (config).
  push "cfg", "gConfig_xml"
  getvariable
  member "firstChild"
  member "nextSibling"
  setvariable
  push "cfgAttr"
  get "cfg"
  member "attributes"
  setvariable

  get "cfgAttr"
  member "transAnim"
  push "fade"
  equals2
  set_global "gUseFade"
  get "cfgAttr"
  member "autoStart"
  push "true"
  equals2
  set_global "gAutoStart"
  get "cfgAttr"
  member "loop"
  push "true"
  equals2
  set_global "gLoop"
  get "cfgAttr"
  member "fixDelay"
  push "-1"
  equals2
  set_global "gUsePptTiming"

  ; Per-slide delays in document order, or one fixed delay.
  get "gUsePptTiming"
  not
  if fixed_delay
  push "i", 0
  setvariable
  push "node"
  get "cfg"
  member "firstChild"
  setvariable
read_delay:
  get "node"
  push null
  equals2
  if delays_done
  get "delay_array"
  get "i"
  get "node"
  member "attributes"
  member "delay"
  tonumber
  tointeger
  setmember
  push "i"
  get "i"
  increment
  setvariable
  push "node"
  get "node"
  member "nextSibling"
  setvariable
  jump read_delay
fixed_delay:
  get "cfgAttr"
  member "fixDelay"
  tonumber
  tointeger
  set_global "delay"
delays_done:

; --------------------------------------------------------------- functions

; updateStatus(): the panel shows "k / n".
  push "_global"
  getvariable
  push "updateStatus"
  function -
    push "text"
    slides
    member "_currentframe"
    push " / "
    add2
    slides
    member "_totalframes"
    add2
    definelocal
    root_get "navPanel_mc"
    push "panelStatus"
    get "text"
    setmember
    push "ORV status "
    get "text"
    add2
    trace
  end
  setmember

; hideControls(): PREV and NEXT dimmed.
  push "_global"
  getvariable
  push "hideControls"
  function -
    push 2
    panel_get "panelPrev_mc"
    goto_and_stop
    push 2
    panel_get "panelNext_mc"
    goto_and_stop
  end
  setmember

; fadeSlide(newFrame): switches the slides sprite; with the fade on, a copy
; of the old slide lies on top at 96 % and fades out in steps of 20 points.
  push "_global"
  getvariable
  push "fadeSlide"
  function - newFrame
    get "gUseFade"
    not
    if fade_switch
    push "fade"
    root_get "fade_mc"
    definelocal
    slides
    member "_currentframe"
    get "fade"
    goto_and_stop
    get "fade"
    push "_alpha", 96
    setmember
    get "fade"
    push "onEnterFrame"
    get "fadeStep"
    setmember
fade_switch:
    get "newFrame"
    slides
    goto_and_stop
    get "newFrame"
    trace_t "ORV goto "
  end
  setmember

; fadeStep(): per-frame handler of the fade copy while it fades.
  push "_global"
  getvariable
  push "fadeStep"
  function -
    push "a"
    get "this"
    member "_alpha"
    push 20
    subtract
    definelocal
    get "a"
    push 5
    less2
    if fade_finished
    get "this"
    push "_alpha"
    get "a"
    setmember
    jump fade_step_done
fade_finished:
    get "this"
    push "_alpha", 0
    setmember
    get "this"
    push "onEnterFrame"
    delete
    pop
    slides
    member "_currentframe"
    trace_t "ORV fadeend "
fade_step_done:
  end
  setmember

; updateFrame(inc): moves by inc slides unless the target is out of range or
; a fade is running, then refreshes the status and PREV / NEXT.
  push "_global"
  getvariable
  push "updateFrame"
  function - inc
    push "cur"
    slides
    member "_currentframe"
    definelocal
    push "n"
    slides
    member "_totalframes"
    definelocal
    push "target"
    get "cur"
    get "inc"
    add2
    definelocal
    get "target"
    push 1
    less2
    if refresh
    get "target"
    get "n"
    greater
    if refresh
    get "target"
    get "cur"
    equals2
    if refresh
    root_get "fade_mc"
    member "_alpha"
    push 5
    greater
    if refused
    get "target"
    call1 "fadeSlide"
    jump refresh
refused:
    get "target"
    trace_t "ORV refused "
refresh:
    call0 "updateStatus"
    push "cur"
    slides
    member "_currentframe"
    setvariable
    ; frame 2 (dimmed) = 1 + (condition)
    push 1
    get "cur"
    push 1
    equals2
    add2
    panel_get "panelPrev_mc"
    goto_and_stop
    push 1
    get "cur"
    get "n"
    equals2
    add2
    panel_get "panelNext_mc"
    goto_and_stop
  end
  setmember

; autoplayInit(): a new interval starts on the current slide.
  push "_global"
  getvariable
  push "autoplayInit"
  function -
    push "_root"
    getvariable
    push "startTime"
    gettime
    setmember
    call0 "hideControls"
    call0 "updateStatus"
    get "gUsePptTiming"
    not
    if check_delay
    ; slide k uses entry k - 1
    get "delay_array"
    slides
    member "_currentframe"
    push 1
    subtract
    getmember
    set_global "delay"
check_delay:
    ; A slide without a usable delay (missing, not a number, not positive)
    ; plays for 3 seconds instead of stopping the show.
    get "delay"
    push 0
    greater
    if delay_ok
    push 3
    set_global "delay"
delay_ok:
  end
  setmember

; setIndicator(frame): the countdown shows frame 1..4.
  push "_global"
  getvariable
  push "setIndicator"
  function - frame
    push "ind"
    panel_get "panelIndicator_mc"
    definelocal
    get "ind"
    member "_currentframe"
    get "frame"
    equals2
    if indicator_same
    get "frame"
    get "ind"
    goto_and_stop
    push "ORV indicator "
    get "frame"
    add2
    trace
indicator_same:
  end
  setmember

; autoplayStart(): the AUTOPLAY button and key P.
  push "_global"
  getvariable
  push "autoplayStart"
  function -
    call0 "autoplayInit"
    push 1
    set_global "autoplayStatus"
    push 2
    panel_get "panelAuto_mc"
    goto_and_stop
    ; The interval's own start time, so that the trace never runs ahead of it.
    push "ORV auto on t="
    root_get "startTime"
    add2
    trace
  end
  setmember

; autoplayStop(): the PAUSE button, key P and the end of the show.
  push "_global"
  getvariable
  push "autoplayStop"
  function -
    push 0
    call1 "updateFrame"
    push 0
    set_global "autoplayStatus"
    push 1
    call1 "setIndicator"
    push 1
    panel_get "panelAuto_mc"
    goto_and_stop
    push "ORV auto off t="
    gettime
    add2
    trace
  end
  setmember

; autoplay(): per-frame handler of the slides sprite.
  push "_global"
  getvariable
  push "autoplay"
  function -
    get "autoplayStatus"
    push 0
    equals2
    if autoplay_idle
    push "_root"
    getvariable
    push "curTime"
    gettime
    setmember
    push "_root"
    getvariable
    push "elapsedTime"
    root_get "curTime"
    root_get "startTime"
    subtract
    setmember
    ; indicator frame = 1 + int(4 * elapsed / (1000 * delay)), at most 4
    push "f", 4
    root_get "elapsedTime"
    multiply
    push 1000
    get "delay"
    multiply
    divide
    tointeger
    push 1
    add2
    definelocal
    get "f"
    push 4
    greater
    not
    if indicator_ok
    push "f", 4
    setvariable
indicator_ok:
    push "_root"
    getvariable
    push "indicatorFrame"
    get "f"
    setmember
    get "f"
    call1 "setIndicator"
    root_get "elapsedTime"
    push 1000
    get "delay"
    multiply
    less2
    if autoplay_idle
    ; The interval is over. The last slide, once it has had its full
    ; interval, gives way to the first when the show loops.
    push "n"
    slides
    member "_totalframes"
    definelocal
    slides
    member "_currentframe"
    get "n"
    equals2
    get "gLoop"
    and
    not
    if autoplay_next
    push 1
    get "n"
    subtract
    call1 "updateFrame"
    jump autoplay_restart
autoplay_next:
    push 1
    call1 "updateFrame"
autoplay_restart:
    call0 "autoplayInit"
    ; Without looping the show ends on the last slide.
    get "gLoop"
    if autoplay_idle
    slides
    member "_currentframe"
    get "n"
    equals2
    not
    if autoplay_idle
    call0 "autoplayStop"
autoplay_idle:
  end
  setmember

; ------------------------------------------------------------------ set-up

  ; The fade copy lies between the slides (depth 1) and the panel (depth 3).
  push 2, "fade_mc", 2
  slides
  push "duplicateMovieClip"
  callmethod
  pop
  root_get "fade_mc"
  push "_alpha", 0
  setmember

  stop
  push 0
  call1 "updateFrame"
  slides
  push "onEnterFrame"
  get "autoplay"
  setmember

  ; The panel at the bottom right, or hidden with clicks navigating instead.
  push "showNav"
  get "cfgAttr"
  member "showNavPanel"
  push "true"
  equals2
  setvariable
  root_get "navPanel_mc"
  push "_visible"
  get "showNav"
  setmember
  get "showNav"
  not
  if panel_hidden
  root_get "navPanel_mc"
  push "_x"
  get "gFrameWidth"
  panel_get "_width"
  subtract
  push 18
  subtract
  setmember
  root_get "navPanel_mc"
  push "_y"
  get "gFrameHeight"
  panel_get "_height"
  subtract
  push 18
  subtract
  setmember
  ; In a frame smaller than the panel its top left corner stays on screen,
  ; so that PREV and the drag handle remain within reach.
  root_get "navPanel_mc"
  member "_x"
  push 0
  less2
  not
  if panel_x_ok
  root_get "navPanel_mc"
  push "_x", 0
  setmember
panel_x_ok:
  root_get "navPanel_mc"
  member "_y"
  push 0
  less2
  not
  if panel_done
  root_get "navPanel_mc"
  push "_y", 0
  setmember
  jump panel_done
panel_hidden:
  ; A click on the left third goes back, anywhere else forward.
  push "mouseListener", 0, "Object"
  newobject
  setvariable
  get "mouseListener"
  push "onMouseDown"
  function -
    root_get "_xmouse"
    get "gFrameWidth"
    push 3
    divide
    less2
    if click_back
    push 1
    call1 "updateFrame"
    jump click_done
click_back:
    push -1
    call1 "updateFrame"
click_done:
  end
  setmember
  get "mouseListener"
  push 1, "Mouse"
  getvariable
  push "addListener"
  callmethod
  pop
panel_done:

  ; Keys: P always toggles automatic playback; the others navigate only
  ; while it is off.
  push "keyListener", 0, "Object"
  newobject
  setvariable
  get "keyListener"
  push "onKeyDown"
  function -
    push "code", 0, "Key"
    getvariable
    push "getCode"
    callmethod
    definelocal
    get "code"
    push 80
    equals2
    not
    if key_navigation
    get "autoplayStatus"
    push 0
    equals2
    not
    if key_pause
    call0 "autoplayStart"
    jump key_done
key_pause:
    call0 "autoplayStop"
    jump key_done
key_navigation:
    get "autoplayStatus"
    push 0
    equals2
    not
    if key_done
    push "cur"
    slides
    member "_currentframe"
    definelocal
    key_is 32 key_next
    key_is 13 key_next
    key_is 108 key_next
    key_is 39 key_next
    key_is 8 key_prev
    key_is 37 key_prev
    key_is 36 key_first
    key_is 33 key_first
    key_is 38 key_first
    key_is 35 key_last
    key_is 34 key_last
    key_is 40 key_last
    jump key_done
key_next:
    push 1
    call1 "updateFrame"
    jump key_done
key_prev:
    push -1
    call1 "updateFrame"
    jump key_done
key_first:
    push 1
    get "cur"
    subtract
    call1 "updateFrame"
    jump key_done
key_last:
    slides
    member "_totalframes"
    get "cur"
    subtract
    call1 "updateFrame"
key_done:
  end
  setmember
  get "keyListener"
  push 1, "Key"
  getvariable
  push "addListener"
  callmethod
  pop

  ; The slides are ready: the curtain opens.
  root_get "Curtain_mc"
  push "_alpha", 0
  setmember

  get "gAutoStart"
  not
  if autostart_done
  call0 "autoplayStart"
autostart_done:

  push "ORV ready n="
  slides
  member "_totalframes"
  add2
  push " w="
  add2
  get "gFrameWidth"
  add2
  push " h="
  add2
  get "gFrameHeight"
  add2
  push " nav="
  add2
  get "showNav"
  add2
  push " auto="
  add2
  get "autoplayStatus"
  add2
  push " fade="
  add2
  get "gUseFade"
  add2
  push " loop="
  add2
  get "gLoop"
  add2
  push " fix="
  add2
  get "cfgAttr"
  member "fixDelay"
  add2
  trace
