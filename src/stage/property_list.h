// The display-object properties, one row per number: the one list the
// PR_ enum, the type lookup, the creation defaults and the creation order
// are derived from (properties.h). The numbers are stored in pages and
// saves and never change.
//
// OPAL_PROPERTY(number, name, type, creation default, unsupported value,
//               flags, classes that implement it)
// Defaults and unsupported values of flags are 0/1, of reals and strings 0
// (0.0 and empty). Flags: NoCreate — not applied at creation; ReadOnly —
// SetProp ignores it; WriteError — SetProp fails.
#pragma once

// clang-format off
#define OPAL_PROPERTIES(X) \
  X(0,   NAME,              Str,  0,    0,        0,                      All) \
  X(1,   PARENT,            Str,  0,    0,        0,                      Controls) \
  X(2,   SOURCE,            Str,  0,    0,        0,                      Box | Images | Button | Tile | Video | MapImage | Particle | Cinema | PrevMenu | Label | CGLabel | Slider | Scrollbar | Gauge | Sound | Http) \
  X(3,   LEFT,              Int,  0,    0,        0,                      Controls) \
  X(4,   TOP,               Int,  0,    0,        0,                      Controls) \
  X(5,   WIDTH,             Int,  0,    0,        0,                      Controls) \
  X(6,   HEIGHT,            Int,  0,    0,        0,                      Controls) \
  X(7,   ZOOMX,             Int,  256,  256,      0,                      Images | Button | Tile | Video | Fire | Label) \
  X(8,   COLOR,             Int,  -1,   0xFFFFFF, 0,                      Controls) \
  X(9,   BORDERWIDTH,       Int,  0,    0,        0,                      Box | Menu) \
  X(10,  BORDERCOLOR,       Int,  -1,   -1,       0,                      Box | Menu) \
  X(11,  ALPHA,             Int,  255,  255,      0,                      Box | Images | Button | Tile | Video | MapImage | Particle | Label | CGLabel | Mes | Menu | Slider | Scrollbar | Gauge) \
  X(12,  PRIORITY,          Int,  0,    0,        0,                      All) \
  X(13,  OFFSETX,           Int,  0,    0,        0,                      Controls) \
  X(14,  OFFSETY,           Int,  0,    0,        0,                      Controls) \
  X(15,  FONTNAME,          Str,  0,    0,        0,                      Button | Label | Mes | Edit | Memo | Menu) \
  X(16,  FONTHEIGHT,        Int,  16,   0,        0,                      Button | Label | Mes | Edit | Memo | Menu) \
  X(17,  FONTSTYLE,         Int,  0,    0,        0,                      Button | Label | Edit | Memo | Menu) \
  X(18,  LINESPACE,         Int,  0,    0,        0,                      Label | CGLabel | Mes | Menu) \
  X(19,  FONTCOLOR,         Int,  0,    0,        0,                      Button | Label | Mes | Edit | Memo | Menu) \
  X(20,  FONTLINKCOLOR,     Int,  0,    0,        0,                      Mes) \
  X(21,  FONTBORDERCOLOR,   Int,  0,    0,        0,                      Mes | Menu) \
  X(22,  FONTHOVERCOLOR,    Int,  0,    0,        0,                      Mes | Menu) \
  X(23,  FONTHOVERSTYLE,    Int,  0,    0,        0,                      Menu) \
  X(24,  HOVERCOLOR,        Int,  -1,   -1,       0,                      Menu) \
  X(25,  ANTIALIAS,         Flag, 0,    0,        0,                      Button | Label | Mes | Menu) \
  X(26,  DELAY,             Int,  0,    0,        0,                      Video | Wave | Mes | Menu | Gauge | Sound | Timer) \
  X(27,  PAUSED,            Flag, 0,    0,        0,                      All & ~(Http | Cabinet | Base)) \
  X(28,  VOLUME,            Int,  1000, 0,        0,                      Video | Cinema | Sound) \
  X(29,  REPEAT,            Flag, 0,    0,        0,                      Box | Images | Button | Tile | Video | MapImage | Cinema | Label | Sound) \
  X(30,  BALANCE,           Int,  0,    0,        0,                      Video | Sound) \
  X(31,  ANGLE,             Int,  0,    0,        0,                      Images | Button | Tile | Video | Label) \
  X(32,  ONPLAYING,         Str,  0,    0,        0,                      Mes) \
  X(33,  ONNOTIFY,          Str,  0,    0,        0,                      Button | Mes | Edit | Memo | Slider | Scrollbar | Timer) \
  X(34,  ONMOUSEMOVE,       Str,  0,    0,        0,                      Controls) \
  X(35,  ONMOUSEOUT,        Str,  0,    0,        0,                      Controls) \
  X(36,  ONLBTNDOWN,        Str,  0,    0,        0,                      Controls) \
  X(37,  ONLBTNUP,          Str,  0,    0,        0,                      Controls) \
  X(38,  ONRBTNDOWN,        Str,  0,    0,        0,                      Controls) \
  X(39,  ONRBTNUP,          Str,  0,    0,        0,                      Controls) \
  X(40,  ONWHEELDOWN,       Str,  0,    0,        0,                      Controls) \
  X(41,  ONWHEELUP,         Str,  0,    0,        0,                      Controls) \
  X(42,  BRIGHTNESS,        Int,  0,    255,      0,                      Images | Button | Tile | MapImage) \
  X(43,  ONPLAYEND,         Str,  0,    0,        0,                      Box | Images | Button | Video | Cinema | PrevMenu | Label | Mes | Sound | Http) \
  X(44,  INDEX,             Int,  0,    -1,       0,                      Images | Button | Tile | Video | Particle | Cinema | Mes | Menu | Sound) \
  X(45,  COUNT,             Int,  0,    0,        0,                      Images | Button | Tile | Video | Cinema | PrevMenu | Mes | Menu | Sound) \
  X(46,  ONLINK,            Str,  0,    0,        0,                      Mes) \
  X(47,  VISIBLE,           Flag, 1,    0,        0,                      Controls) \
  X(48,  COLCOUNT,          Int,  1,    0,        0,                      0) \
  X(49,  ROWCOUNT,          Int,  1,    0,        0,                      Menu) \
  X(50,  TEXT,              Str,  0,    0,        0,                      Button | PrevMenu | Label | CGLabel | Mes | Edit | Memo | Menu | Http) \
  X(51,  MARGINX,           Int,  0,    0,        0,                      Menu) \
  X(52,  MARGINY,           Int,  0,    0,        0,                      Menu) \
  X(53,  HALIGN,            Int,  0,    0,        0,                      Label | CGLabel | Memo | Menu) \
  X(54,  BORDERSOURCETL,    Str,  0,    0,        0,                      Menu) \
  X(55,  BORDERSOURCETC,    Str,  0,    0,        0,                      Menu) \
  X(56,  BORDERSOURCETR,    Str,  0,    0,        0,                      Menu) \
  X(57,  BORDERSOURCECL,    Str,  0,    0,        0,                      Menu) \
  X(58,  BORDERSOURCECC,    Str,  0,    0,        0,                      Menu) \
  X(59,  BORDERSOURCECR,    Str,  0,    0,        0,                      Menu) \
  X(60,  BORDERSOURCEBL,    Str,  0,    0,        0,                      Menu) \
  X(61,  BORDERSOURCEBC,    Str,  0,    0,        0,                      Menu) \
  X(62,  BORDERSOURCEBR,    Str,  0,    0,        0,                      Menu) \
  X(63,  BORDERHALIGNT,     Int,  0,    0,        0,                      Menu) \
  X(64,  BORDERHALIGNC,     Int,  0,    0,        0,                      Menu) \
  X(65,  BORDERHALIGNB,     Int,  0,    0,        0,                      Menu) \
  X(66,  BORDERVALIGNL,     Int,  0,    0,        0,                      Menu) \
  X(67,  BORDERVALIGNC,     Int,  0,    0,        0,                      Menu) \
  X(68,  BORDERVALIGNR,     Int,  0,    0,        0,                      Menu) \
  X(69,  SCROLLSOURCE,      Str,  0,    0,        0,                      Menu) \
  X(70,  CHECKSOURCE,       Str,  0,    0,        0,                      Menu) \
  X(71,  AUTOSCRAP,         Flag, 0,    0,        0,                      Box | Images | Button | Video | MapImage | Cinema | PrevMenu | Label | Menu | Sound | Timer) \
  X(72,  ONSELECT,          Str,  0,    0,        0,                      MapImage | PrevMenu | Menu) \
  X(73,  RCLICKSCRAP,       Flag, 0,    0,        0,                      MapImage | PrevMenu | Menu) \
  X(74,  ONOPENING,         Str,  0,    0,        0,                      Menu) \
  X(75,  ONOPENED,          Str,  0,    0,        0,                      Menu) \
  X(76,  ONCLOSING,         Str,  0,    0,        0,                      Menu) \
  X(77,  ONCLOSED,          Str,  0,    0,        0,                      Menu) \
  X(78,  CARETX,            Int,  0,    0,        NoCreate | ReadOnly,    Mes) \
  X(79,  CARETY,            Int,  0,    0,        NoCreate | ReadOnly,    Mes) \
  X(80,  IGNOREMOUSE,       Int,  0,    0,        0,                      Controls) \
  X(81,  TEXTPAUSED,        Flag, 0,    0,        0,                      Mes) \
  X(82,  TEXTDELAY,         Int,  256,  256,      0,                      Mes) \
  X(83,  HOVERSOURCE,       Str,  0,    0,        0,                      Button | MapImage) \
  X(84,  PRESSEDSOURCE,     Str,  0,    0,        0,                      Button) \
  X(85,  GROUPINDEX,        Int,  0,    0,        0,                      Button) \
  X(86,  ALLOWALLUP,        Flag, 0,    0,        0,                      Button) \
  X(87,  SELECTED,          Flag, 0,    0,        0,                      Button) \
  X(88,  CAPTUREMASK,       Flag, 0,    0,        0,                      Images | Button | Tile | Video | Slider | Scrollbar) \
  X(89,  POWER,             Int,  0,    0,        0,                      Fire) \
  X(90,  ORIGWIDTH,         Int,  0,    0,        0,                      Images | Button | Tile | Video | Fire | CGLabel) \
  X(91,  ORIGHEIGHT,        Int,  0,    0,        0,                      Images | Button | Tile | Video | Fire | CGLabel | Menu) \
  X(92,  APPEARX,           Int,  0,    0,        NoCreate | WriteError,  All) \
  X(93,  APPEARY,           Int,  0,    0,        NoCreate | WriteError,  All) \
  X(94,  PARTMOTION,        Int,  0,    1,        0,                      Particle) \
  X(95,  PARAM1,            Real, 0,    0,        0,                      Particle) \
  X(96,  PARAM2,            Real, 0,    0,        0,                      Particle) \
  X(97,  TOPINDEX,          Int,  0,    0,        0,                      Menu) \
  X(98,  READONLY,          Flag, 0,    0,        0,                      Edit | Memo) \
  X(99,  CURSOR,            Str,  0,    0,        0,                      Controls) \
  X(100, POSZOOMED,         Flag, 0,    0,        0,                      Controls) \
  X(101, ONPLAYSTART,       Str,  0,    0,        0,                      Mes) \
  X(102, PARAM3,            Real, 0,    0,        0,                      Particle) \
  X(103, ONMOUSEIN,         Str,  0,    0,        0,                      Controls) \
  X(104, ONMAPIN,           Str,  0,    0,        0,                      MapImage | PrevMenu | Menu) \
  X(105, ONMAPOUT,          Str,  0,    0,        0,                      MapImage | PrevMenu | Menu) \
  X(106, MAPSOURCE,         Str,  0,    0,        0,                      MapImage) \
  X(107, AMP,               Int,  1,    0,        0,                      Wave) \
  X(108, WAVELEN,           Int,  100,  0,        0,                      Wave) \
  X(109, SCROLLX,           Int,  0,    0,        0,                      Tile) \
  X(110, SCROLLY,           Int,  0,    0,        0,                      Tile | Mes) \
  X(111, FLIPH,             Flag, 0,    0,        0,                      Images | Button | Tile | Video | Label) \
  X(112, FLIPV,             Flag, 0,    0,        0,                      Images | Button | Tile | Video | Label) \
  X(113, ONIDLE,            Str,  0,    0,        0,                      Controls & ~(Edit | Memo | Cabinet | Base)) \
  X(114, DISTANCEX,         Int,  0,    0,        0,                      Tile) \
  X(115, DISTANCEY,         Int,  0,    0,        0,                      Tile) \
  X(116, CLIPLEFT,          Int,  0,    0,        0,                      Controls) \
  X(117, CLIPTOP,           Int,  0,    0,        0,                      Controls) \
  X(118, CLIPWIDTH,         Int,  0,    0,        0,                      Controls) \
  X(119, CLIPHEIGHT,        Int,  0,    0,        0,                      Controls) \
  X(120, DURATION,          Int,  0,    0,        0,                      Particle | Gauge) \
  X(121, THUMBSOURCE,       Str,  0,    0,        0,                      Slider | Scrollbar) \
  X(122, BUTTONSOURCE,      Str,  0,    0,        0,                      Slider | Scrollbar) \
  X(123, MIN,               Int,  0,    0,        0,                      Slider | Scrollbar | Gauge) \
  X(124, MAX,               Int,  0,    0,        0,                      Slider | Scrollbar | Gauge) \
  X(125, VALUE,             Int,  0,    0,        0,                      Slider | Scrollbar | Gauge) \
  X(126, ORIENTATION,       Int,  0,    0,        0,                      Slider | Scrollbar | Gauge) \
  X(127, SMALLCHANGE,       Int,  1,    1,        0,                      Slider | Scrollbar) \
  X(128, LARGECHANGE,       Int,  1,    1,        0,                      Scrollbar) \
  X(129, MAPTEXT,           Str,  0,    0,        0,                      CGLabel) \
  X(130, GLYPHWIDTH,        Int,  1,    0,        0,                      CGLabel) \
  X(131, GLYPHHEIGHT,       Int,  1,    0,        0,                      CGLabel) \
  X(132, ZOOMY,             Int,  256,  256,      0,                      Images | Button | Tile | Video | Fire | Label) \
  X(133, CLICKEDSOURCE,     Str,  0,    0,        0,                      Button) \
  X(134, ANIPAUSED,         Flag, 0,    0,        0,                      Controls | Sound) \
  X(135, ONHOLD,            Str,  0,    0,        0,                      Slider | Scrollbar) \
  X(136, ONRELEASE,         Str,  0,    0,        0,                      Slider | Scrollbar) \
  X(137, REVERSE,           Flag, 0,    0,        0,                      Gauge) \
  X(138, PLAYING,           Flag, 0,    0,        NoCreate | ReadOnly,    Controls | Sound) \
  X(139, REWINDONLOAD,      Flag, 0,    1,        0,                      Video | Cinema | Sound) \
  X(140, COMPOTYPE,         Int,  0,    0,        NoCreate | ReadOnly,    All) \
  X(141, FONTSHADOWCOLOR,   Int,  0,    0,        0,                      Mes | Menu) \
  X(142, FONTBORDER,        Int,  0,    0,        0,                      Mes | Menu) \
  X(143, FONTSHADOW,        Int,  0,    0,        0,                      Mes | Menu) \
  X(144, ONKEYDOWN,         Str,  0,    0,        0,                      Controls) \
  X(145, ONKEYUP,           Str,  0,    0,        0,                      Controls) \
  X(146, ONKEYREPEAT,       Str,  0,    0,        0,                      Controls) \
  X(147, HANDLEKEY,         Int,  0,    0,        0,                      Controls) \
  X(148, ONFOCUSIN,         Str,  0,    0,        0,                      Controls) \
  X(149, ONFOCUSOUT,        Str,  0,    0,        0,                      Controls) \
  X(150, OVERLAY,           Flag, 1,    1,        0,                      Video) \
  X(151, TAG,               Str,  0,    0,        0,                      All) \
  X(152, CAPTURELINK,       Flag, 0,    0,        0,                      Mes) \
  X(153, FONTHOVERBORDER,   Int,  0,    0,        0,                      Menu) \
  X(154, FONTHOVERBORDERCOLOR, Int, 0,  0,        0,                      Menu) \
  X(155, FONTHOVERSHADOW,   Int,  0,    0,        0,                      Menu) \
  X(156, FONTHOVERSHADOWCOLOR, Int, 0,  0,        0,                      Menu) \
  X(157, BARSIZE,           Int,  0,    0,        0,                      Slider | Scrollbar | Gauge) \
  X(158, MUTEONLOAD,        Flag, 0,    0,        0,                      Video | Cinema | Sound) \
  X(159, PLUSX,             Int,  0,    0,        NoCreate,               Controls) \
  X(160, PLUSY,             Int,  0,    0,        NoCreate,               Controls) \
  X(161, CARETHEIGHT,       Int,  0,    0,        NoCreate | ReadOnly,    Mes) \
  X(162, REPEATPOS,         Int,  0,    0,        0,                      Sound)
// clang-format on
