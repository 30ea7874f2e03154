// The command classes of the 61 command codes, in code order: the one list
// from which the page's factory (command.cpp) and the interpreter's table of
// run operations (command_runners.cpp) are both made, so a code cannot have
// a record class in one and another in the other.
//
// X(code, the system's own command name, record class)
#pragma once

#include "scenario/commands_flow.h"
#include "scenario/commands_object.h"
#include "scenario/commands_text.h"

// clang-format off
#define OPAL_COMMAND_CLASSES(X) \
  X(0, "If", TComIf) \
  X(1, "Elseif", TComElseif) \
  X(2, "Else", TComElse) \
  X(3, "Label", TComLabel) \
  X(4, "Jump", TComJump) \
  X(5, "Call", TComCall) \
  X(6, "Exit", TComExit) \
  X(7, "Wait", TComWait) \
  X(8, "BoxNew", TComBoxNew) \
  X(9, "ImgNew", TComImgNew) \
  X(10, "MesNew", TComMesNew) \
  X(11, "Timer", TComTimer) \
  X(12, "Movie", TComMovie) \
  X(13, "Flip", TComFlip) \
  X(14, "Calc", TComCalc) \
  X(15, "VarNew", TComVarNew) \
  X(16, "VarDel", TComVarDel) \
  X(17, "GetProp", TComGetProp) \
  X(18, "SetProp", TComSetProp) \
  X(19, "ObjDel", TComObjDel) \
  X(20, "TextIns", TComTextIns) \
  X(21, "MovieStop", TComMovieStop) \
  X(22, "ClrHist", TComClrHist) \
  X(23, "Cinema", TComCinema) \
  X(24, "Caption", TComCaption) \
  X(25, "Menu", TComMenu) \
  X(26, "MenuClose", TComMenuClose) \
  X(27, "Comment", TComComment) \
  X(28, "TextClr", TComTextClr) \
  X(29, "CallHist", TComCallHist) \
  X(30, "Button", TComBtnNew) \
  X(31, "While", TComWhile) \
  X(32, "WhileInit", TComWhileInit) \
  X(33, "WhileLoop", TComWhileLoop) \
  X(34, "Break", TComBreak) \
  X(35, "Continue", TComContinue) \
  X(36, "ParticleNew", TComParticleNew) \
  X(37, "FireNew", TComFireNew) \
  X(38, "GameSave", TComGameSave) \
  X(39, "GameLoad", TComGameLoad) \
  X(40, "PCReset", TComPCReset) \
  X(41, "Reset", TComReset) \
  X(42, "Sound", TComSound) \
  X(43, "EditNew", TComEditNew) \
  X(44, "MemoNew", TComMemoNew) \
  X(45, "Terminate", TComTerminate) \
  X(46, "DoEvent", TComDoEvent) \
  X(47, "ClrRead", TComClrRead) \
  X(48, "MapImgNew", TComMapImgNew) \
  X(49, "WaveNew", TComWaveNew) \
  X(50, "TileNew", TComTileNew) \
  X(51, "SliderNew", TComSliderNew) \
  X(52, "ScrollbarNew", TComScrollbarNew) \
  X(53, "GaugeNew", TComGaugeNew) \
  X(54, "CGCaption", TComCGCaption) \
  X(55, "MediaPlay", TComMediaPlay) \
  X(56, "PrevMenuNew", TComPrevMenuNew) \
  X(57, "PropMotion", TComPropMotion) \
  X(58, "FormatHist", TComEntryHist) \
  X(59, "SaveCabinet", TComCabinetSave) \
  X(60, "LoadCabinet", TComCabinetLoad)
// clang-format on
