#include "expr/sys_funcs.h"

#include <cstring>

#include "common/error.h"
#include "expr/param_collection.h"

namespace opal {

const std::array<TSysFuncInfo, kSysFuncCount> kSysFuncTable = {{
    {"IntToStr", 1, 2, kTagStr},  // 0
    {"IntToHex", 2, 2, kTagStr},  // 1
    {"GetProp", 2, 2, kResultOfProperty},  // 2
    {"SetProp", 3, 3, kTagStr},  // 3
    {"GetArraySize", 1, 2, kTagInt},  // 4
    {"Length", 1, 1, kTagInt},  // 5
    {"JLength", 1, 1, kTagInt},  // 6
    {"Copy", 2, 3, kTagStr},  // 7
    {"JCopy", 2, 3, kTagStr},  // 8
    {"Delete", 2, 3, kTagStr},  // 9
    {"JDelete", 2, 3, kTagStr},  // 10
    {"Insert", 3, 3, kTagStr},  // 11
    {"JInsert", 3, 3, kTagStr},  // 12
    {"CompareStr", 2, 2, kTagInt},  // 13
    {"CompareText", 2, 2, kTagInt},  // 14
    {"Pos", 2, 2, kTagInt},  // 15
    {"JPos", 2, 2, kTagInt},  // 16
    {"Trim", 1, 1, kTagStr},  // 17
    {"JTrim", 1, 1, kTagStr},  // 18
    {"Exists", 1, 1, kTagFlag},  // 19
    {"Not", 1, 1, kTagFlag},  // 20
    {"SetArray", 2, -1, kTagInt},  // 21
    {"FillMem", 2, 2, kTagInt},  // 22
    {"CopyMem", 2, 2, kTagInt},  // 23
    {"GetCheck", 2, 2, kTagFlag},  // 24
    {"SetCheck", 3, 3, kTagInt},  // 25
    {"Random", 1, 1, kTagInt},  // 26
    {"GetSaveCaption", 1, 1, kTagStr},  // 27
    {"ArrayToString", 1, 2, kTagStr},  // 28
    {"StringToArray", 2, 3, kTagInt},  // 29
    {"IndexOfStr", 2, 4, kTagInt},  // 30
    {"SortStr", 1, 1, kTagInt},  // 31
    {"ListCompo", 1, 3, kTagInt},  // 32
    {"ToClientX", 2, 2, kTagInt},  // 33
    {"ToClientY", 2, 2, kTagInt},  // 34
    {"ToScreenX", 2, 2, kTagInt},  // 35
    {"ToScreenY", 2, 2, kTagInt},  // 36
    {"Int", 1, 1, kTagInt},  // 37
    {"Float", 1, 1, kTagFloat},  // 38
    {"Sin", 1, 1, kTagFloat},  // 39
    {"Cos", 1, 1, kTagFloat},  // 40
    {"Tan", 1, 1, kTagFloat},  // 41
    {"ArcSin", 1, 1, kTagFloat},  // 42
    {"ArcCos", 1, 1, kTagFloat},  // 43
    {"ArcTan", 1, 1, kTagFloat},  // 44
    {"ArcTan2", 2, 2, kTagFloat},  // 45
    {"Hypot", 2, 2, kTagFloat},  // 46
    {"IndexOfMenu", 2, 2, kTagInt},  // 47
    {"Abs", 1, 1, kTagInt},  // 48
    {"Fabs", 1, 1, kTagFloat},  // 49
    {"VarExists", 1, 1, kTagFlag},  // 50
    {"EncodeDate", 3, 3, kTagFloat},  // 51
    {"EncodeTime", 3, 3, kTagFloat},  // 52
    {"DecodeDate", 4, 4, kTagInt},  // 53
    {"DecodeTime", 4, 4, kTagInt},  // 54
    {"GetYear", 1, 1, kTagInt},  // 55
    {"GetMonth", 1, 1, kTagInt},  // 56
    {"GetDay", 1, 1, kTagInt},  // 57
    {"GetHour", 1, 1, kTagInt},  // 58
    {"GetMin", 1, 1, kTagInt},  // 59
    {"GetSec", 1, 1, kTagInt},  // 60
    {"GetWeek", 1, 1, kTagInt},  // 61
    {"GetWeekStr", 1, 1, kTagStr},  // 62
    {"GetWeekJStr", 1, 1, kTagStr},  // 63
    {"FixStr", 1, 1, kTagStr},  // 64
    {"GetDisplayMode", 5, 5, kTagFlag},  // 65
    {"AddArray", 2, 2, kTagInt},  // 66
    {"InsertArray", 3, 3, kTagInt},  // 67
    {"DeleteArray", 3, 3, kTagInt},  // 68
    {"InPrimary", 1, 1, kTagFlag},  // 69
    {"CopyArray", 2, 2, kTagFlag},  // 70
    {"FileExists", 1, 1, kTagFlag},  // 71
    {"LoadTextFile", 2, 2, kTagFlag},  // 72
    {"LowerCase", 1, 1, kTagStr},  // 73
    {"UpperCase", 1, 1, kTagStr},  // 74
    {"ExtractFilePath", 1, 1, kTagStr},  // 75
    {"ExtractFileName", 1, 1, kTagStr},  // 76
    {"ExtractFileExt", 1, 1, kTagStr},  // 77
    {"IsPathDelimiter", 2, 2, kTagFlag},  // 78
    {"AddBackSlash", 1, 1, kTagStr},  // 79
    {"ChangeFileExt", 2, 2, kTagStr},  // 80
    {"IsDelimiter", 3, 3, kTagFlag},  // 81
    {"StringOfChar", 2, 2, kTagStr},  // 82
    {"StringReplace", 3, 5, kTagStr},  // 83
    {"AssignTemp", 1, 1, kTagFlag},  // 84
    {"HanToZen", 1, 1, kTagStr},  // 85
    {"ZenToHan", 1, 1, kTagStr},  // 86
    {"DBCreateTable", 2, 2, kTagFlag},  // 87
    {"DBSetActive", 1, 1, kTagFlag},  // 88
    {"DBAddField", 2, 3, kTagFlag},  // 89
    {"DBSetRecNo", 1, 1, kTagFlag},  // 90
    {"DBInsert", 0, -1, kTagFlag},  // 91
    {"DBDelete", 0, 0, kTagFlag},  // 92
    {"DBGetInt", 1, 1, kTagInt},  // 93
    {"DBSetInt", 2, 2, kTagFlag},  // 94
    {"DBGetFloat", 1, 1, kTagFloat},  // 95
    {"DBSetFloat", 2, 2, kTagFlag},  // 96
    {"DBGetBool", 1, 1, kTagFlag},  // 97
    {"DBSetBool", 2, 2, kTagFlag},  // 98
    {"DBGetStr", 1, 1, kTagStr},  // 99
    {"DBSetStr", 2, 2, kTagFlag},  // 100
    {"DBRecordCount", 0, 1, kTagInt},  // 101
    {"DBFindFirst", 0, 0, kTagFlag},  // 102
    {"DBFindLast", 0, 0, kTagFlag},  // 103
    {"DBFindNext", 0, 0, kTagFlag},  // 104
    {"DBFindPrior", 0, 0, kTagFlag},  // 105
    {"DBLocate", 2, 4, kTagFlag},  // 106
    {"DBLoadTsvFile", 1, 1, kTagFlag},  // 107
    {"DBDirectGetInt", 7, 7, kTagInt},  // 108
    {"DBDirectSetInt", 7, 7, kTagFlag},  // 109
    {"DBDirectGetFloat", 7, 7, kTagFloat},  // 110
    {"DBDirectSetFloat", 7, 7, kTagFlag},  // 111
    {"DBDirectGetBool", 7, 7, kTagFlag},  // 112
    {"DBDirectSetBool", 7, 7, kTagFlag},  // 113
    {"DBDirectGetStr", 7, 7, kTagStr},  // 114
    {"DBDirectSetStr", 7, 7, kTagFlag},  // 115
    {"DBCopyTable", 1, 5, kTagFlag},  // 116
    {"DBDeleteTable", 0, 1, kTagFlag},  // 117
    {"DBInsertTable", 1, 5, kTagFlag},  // 118
    {"DBCopy", 1, 1, kTagFlag},  // 119
    {"DBClearTable", 0, 0, kTagFlag},  // 120
    {"DBSort", 2, 2, kTagFlag},  // 121
    {"DBGetActive", 0, 0, kTagStr},  // 122
    {"DBGetRecNo", 0, 0, kTagInt},  // 123
    {"DBClearRecord", 0, 1, kTagFlag},  // 124
    {"SetWallPaper", 2, 2, kTagFlag},  // 125
    {"Min", 2, 2, kTagInt},  // 126
    {"Max", 2, 2, kTagInt},  // 127
    {"Fmin", 2, 2, kTagFloat},  // 128
    {"Fmax", 2, 2, kTagFloat},  // 129
    {"GetVarType", 1, 1, kTagInt},  // 130
    {"GetEnabled", 2, 2, kTagFlag},  // 131
    {"SetEnabled", 3, 3, kTagInt},  // 132
    {"AddDelimiter", 2, 2, kTagStr},  // 133
    {"ListSaveCaption", 0, 2, kTagInt},  // 134
    {"OpenUrl", 1, 1, kTagFlag},  // 135
    {"Calc", 1, 1, kTagStr},  // 136
    {"SaveScreen", 1, 5, kTagFlag},  // 137
    {"StrToIntDef", 2, 2, kTagInt},  // 138
    {"StrToFloatDef", 2, 2, kTagFloat},  // 139
    {"GetVisible", 2, 2, kTagFlag},  // 140
    {"SetVisible", 3, 3, kTagFlag},  // 141
    {"GetHistoryCount", 1, 1, kTagInt},  // 142
    {"GetHistoryMaxCount", 1, 1, kTagInt},  // 143
    {"SetHistoryMaxCount", 2, 2, kTagFlag},  // 144
    {"GetGroupIndex", 2, 2, kTagInt},  // 145
    {"GetSelected", 2, 2, kTagFlag},  // 146
    {"SetSelected", 3, 3, kTagFlag},  // 147
    {"SelectOpenFile", 1, 2, kTagFlag},  // 148
    {"SelectSaveFile", 1, 2, kTagFlag},  // 149
    {"SelectDirectory", 1, 1, kTagFlag},  // 150
    {"ExtractFile", 1, 3, kTagFlag},  // 151
    {"Chr", 1, 1, kTagStr},  // 152
    {"Ord", 1, 1, kTagInt},  // 153
    {"InCabinet", 1, 1, kTagFlag},  // 154
}};

namespace {

constexpr uint8_t Int = kTagInt, Float = kTagFloat, Flag = kTagFlag, Str = kTagStr;
constexpr std::array<uint8_t, kPropertyCount> kPropertyTypes = {
    Str, Str, Str, Int, Int, Int, Int, Int, Int, Int,  // 0..9
    Int, Int, Int, Int, Int, Str, Int, Int, Int, Int,  // 10..19
    Int, Int, Int, Int, Int, Flag, Int, Flag, Int, Flag,  // 20..29
    Int, Int, Str, Str, Str, Str, Str, Str, Str, Str,  // 30..39
    Str, Str, Int, Str, Int, Int, Str, Flag, Int, Int,  // 40..49
    Str, Int, Int, Int, Str, Str, Str, Str, Str, Str,  // 50..59
    Str, Str, Str, Int, Int, Int, Int, Int, Int, Str,  // 60..69
    Str, Flag, Str, Flag, Str, Str, Str, Str, Int, Int,  // 70..79
    Int, Flag, Int, Str, Str, Int, Flag, Flag, Flag, Int,  // 80..89
    Int, Int, Int, Int, Int, Float, Float, Int, Flag, Str,  // 90..99
    Flag, Str, Float, Str, Str, Str, Str, Int, Int, Int,  // 100..109
    Int, Flag, Flag, Str, Int, Int, Int, Int, Int, Int,  // 110..119
    Int, Str, Str, Int, Int, Int, Int, Int, Int, Str,  // 120..129
    Int, Int, Int, Str, Flag, Str, Str, Flag, Flag, Flag,  // 130..139
    Int, Int, Int, Int, Str, Str, Str, Int, Str, Str,  // 140..149
    Flag, Str, Flag, Int, Int, Int, Int, Int, Flag, Int,  // 150..159
    Int, Int, Int,  // 160..162
};

}  // namespace

int FindSysFunc(std::string_view name) {
  for (int id = 0; id < kSysFuncCount; ++id) {
    if (name == kSysFuncTable[static_cast<size_t>(id)].Name) return id;
  }
  return -1;
}

uint8_t PropertyValueType(int id) {
  return id >= 0 && id < kPropertyCount ? kPropertyTypes[static_cast<size_t>(id)] : kTagInt;
}

TCustomParam* TSysFuncCall::VarArg(size_t i) const {
  if (i >= Args_.size()) return nullptr;
  TParamVar* ref = Args_[i]->AsVarRef();
  return ref && ref->Target() ? ref : nullptr;
}

TCustomParam& TSysFuncCall::WritableArg(size_t i) {
  if (TCustomParam* var = VarArg(i)) return *var;
  if (i >= Args_.size()) throw EOpalError("missing argument");
  Scratch_.push_back(Args_[i]->Clone());
  return *Scratch_.back();
}

void TSysFuncMan::Register(uint8_t id, TSysFunc f) {
  if (id < kSysFuncCount) Funcs_[id] = std::move(f);
}

void TSysFuncMan::Call(TParamCollection& vars, TParamCollectionItem& target, uint8_t id,
                       std::span<TCustomParam* const> args) {
  if (id >= kSysFuncCount) return;
  const TSysFunc& f = Funcs_[id];
  if (f == nullptr) throw EOpalError(Format("%s: not available", kSysFuncTable[id].Name));
  TSysFuncCall call(vars, target, id, args);
  f(call);
}

}  // namespace opal
