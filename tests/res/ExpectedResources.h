// The rows the program's resources must hold, written out independently of
// the tables under test; it brings the resource headers the tests read.
#pragma once

#include "res/Bars.h"
#include "res/CommandIds.h"
#include "res/Dialogs.h"
#include "res/Icons.h"
#include "res/Images.h"
#include "res/Menus.h"
#include "res/Strings.h"
#include "res/Version.h"

#include <vector>

namespace expected {

struct MenuItem
{
    int id;  // classic command id, 0 for a separator
    const char* label;
    const char* shortcut;
    bool grayed;
};
struct Menu
{
    const char* title;
    std::vector<MenuItem> items;
};

inline const std::vector<Menu> kMenus = {
    {"파일(&F)",
     {
         {57600, "새 파일(&N)", "Ctrl+N", false},
         {57601, "열기(&O)...", "Ctrl+O", false},
         {57603, "저장(&S)", "Ctrl+S", false},
         {57604, "다른 이름으로 저장(&A)...", nullptr, false},
         {0, nullptr, nullptr, false},
         {32771, "접속", nullptr, false},
         {32772, "접속종료", nullptr, false},
         {32773, "통신포트 설정", nullptr, false},
         {0, nullptr, nullptr, false},
         {57607, "인쇄(&P)...", "Ctrl+P", false},
         {57609, "인쇄 미리 보기(&V)", nullptr, false},
         {57606, "인쇄 설정(&R)...", nullptr, false},
         {0, nullptr, nullptr, false},
         {57616, "최근 파일", nullptr, true},
         {0, nullptr, nullptr, false},
         {57665, "종료(&X)", nullptr, false},
     }},
    {"편집(&E)",
     {
         {57643, "취소(&U)", "Ctrl+Z", false},
         {0, nullptr, nullptr, false},
         {57635, "잘라내기(&T)", "Ctrl+X", false},
         {57634, "복사(&C)", "Ctrl+C", false},
         {57637, "붙여넣기(&P)", "Ctrl+V", false},
     }},
    {"보기(&V)",
     {
         {59392, "도구 모음(&T)", nullptr, false},
         {59393, "상태 표시줄(&S)", nullptr, false},
     }},
    {"통신(&C)",
     {
         {32780, "보내기 막대(&S)", "F4", false},
         {32781, "파일 보내기(&F)...", nullptr, false},
         {0, nullptr, nullptr, false},
         {32782, "DTR 켜기(&D)", nullptr, false},
         {32783, "RTS 켜기(&R)", nullptr, false},
         {32784, "브레이크 보내기(&B)", nullptr, false},
         {0, nullptr, nullptr, false},
         {32785, "수신 기록(&L)...", "F9", false},
         {32786, "자동 재접속(&A)", nullptr, false},
         {32787, "묶음마다 새 줄과 시각(&T)", nullptr, false},
         {0, nullptr, nullptr, false},
         {57633, "화면 지우기(&E)", nullptr, false},
     }},
    {"도움말(&H)",
     {
         {57664, "Tessaline 정보(&A)...", nullptr, false},
     }},
};

// Windows accelerator flags: FVIRTKEY 0x01, FSHIFT 0x04, FCONTROL 0x08, FALT 0x10.
struct Accelerator
{
    int virtualKey;
    int flags;
    int command;
};
inline const std::vector<Accelerator> kAccelerators = {
    {0x4E, 0x09, 57600}, {0x4F, 0x09, 57601}, {0x53, 0x09, 57603}, {0x50, 0x09, 57607},
    {0x5A, 0x09, 57643}, {0x58, 0x09, 57635}, {0x43, 0x09, 57634}, {0x56, 0x09, 57637},
    {0x08, 0x11, 57643}, {0x2E, 0x05, 57635}, {0x2D, 0x09, 57634}, {0x2D, 0x05, 57637},
    {0x75, 0x01, 57680}, {0x75, 0x05, 57681}, {0x73, 0x01, 32780}, {0x78, 0x01, 32785},
};

inline const std::vector<int> kMainToolbar = {57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 0, 57664};
inline const std::vector<const char*> kMainToolbarTooltips = {"새 파일",  "열기", "저장", "", "잘라내기", "복사",
                                                              "붙여넣기", "",     "인쇄", "", "정보"};
inline const std::vector<int> kPortToolbar = {32771, 32772, 0, 32773};

struct Control
{
    int id;
    tessaline::res::ControlKind kind;
    const char* text;  // nullptr: any text
    int x, y, width, height;
    bool groupStart, tabStop, noPrefix;
};
struct Dialog
{
    int id;
    const char* title;
    int width, height;
    bool systemMenu;
    std::vector<Control> controls;
};

using K = tessaline::res::ControlKind;

inline const std::vector<Dialog> kDialogs = {
    {100,
     "Tessaline 정보",
     235,
     55,
     true,
     {
         {-1, K::StaticIcon, "", 11, 17, 20, 20, false, false, false},
         {-1, K::StaticText, "Tessaline 버전 1.0", 40, 10, 119, 8, true, false, true},
         {-1, K::StaticText, nullptr, 40, 25, 119, 8, true, false, false},
         {1, K::DefPushButton, "확인", 178, 7, 50, 14, true, true, false},
     }},
    {130,
     "접속 포트 설정",
     191,
     260,
     false,
     {
         {1000, K::GroupBox, "&Baudrate", 7, 72, 176, 50, true, false, false},
         {1001, K::AutoRadioButton, "1200", 15, 85, 40, 10, true, true, false},
         {1002, K::AutoRadioButton, "2400", 15, 95, 40, 10, false, false, false},
         {1003, K::AutoRadioButton, "9600", 15, 105, 32, 10, false, false, false},
         {1004, K::AutoRadioButton, "14400", 75, 85, 40, 10, false, false, false},
         {1005, K::AutoRadioButton, "19200", 75, 95, 40, 10, false, false, false},
         {1006, K::AutoRadioButton, "38400", 75, 105, 40, 10, false, false, false},
         {1007, K::AutoRadioButton, "56000", 135, 85, 40, 10, false, false, false},
         {1008, K::AutoRadioButton, "57600", 135, 95, 40, 10, false, false, false},
         {1009, K::AutoRadioButton, "115200", 135, 105, 40, 10, false, false, false},
         {1010, K::GroupBox, "&Databits", 7, 127, 55, 70, true, false, false},
         {1011, K::AutoRadioButton, "5 bits", 15, 140, 40, 10, true, true, false},
         {1012, K::AutoRadioButton, "6 bits", 15, 150, 40, 10, false, false, false},
         {1013, K::AutoRadioButton, "7 bits", 15, 160, 40, 10, false, false, false},
         {1014, K::AutoRadioButton, "8 bits", 15, 170, 33, 10, false, false, false},
         {1020, K::GroupBox, "&Parity", 67, 127, 55, 70, true, false, false},
         {1021, K::AutoRadioButton, "None", 75, 140, 33, 10, true, true, false},
         {1022, K::AutoRadioButton, "Odd", 75, 150, 40, 10, false, false, false},
         {1023, K::AutoRadioButton, "Even", 75, 160, 40, 10, false, false, false},
         {1024, K::AutoRadioButton, "Mark", 75, 170, 40, 10, false, false, false},
         {1025, K::AutoRadioButton, "Space", 75, 180, 40, 10, false, false, false},
         {1030, K::GroupBox, "&Stopbits", 128, 127, 55, 70, true, false, false},
         {1031, K::AutoRadioButton, "1 bit", 135, 140, 29, 10, true, true, false},
         {1032, K::AutoRadioButton, "1.5 bit", 135, 150, 40, 10, false, false, false},
         {1033, K::AutoRadioButton, "2 bits", 135, 160, 40, 10, false, false, false},
         {1040, K::GroupBox, "&Handshaking", 7, 203, 176, 50, true, false, false},
         {1041, K::AutoRadioButton, "Off", 15, 215, 100, 10, true, true, false},
         {1042, K::AutoRadioButton, "Software (XON/XOFF)", 15, 225, 100, 10, false, false, false},
         {1043, K::AutoRadioButton, "Hardware (RTS/CTS)", 15, 235, 100, 10, false, false, false},
         {-1, K::GroupBox, "COM port selection", 7, 7, 100, 60, false, false, false},
         {1200, K::AutoRadioButton, "COM &1", 15, 20, 40, 10, true, true, false},
         {1201, K::AutoRadioButton, "COM &2", 15, 30, 40, 10, false, false, false},
         {1202, K::AutoRadioButton, "COM &3", 15, 40, 40, 10, false, false, false},
         {1203, K::AutoRadioButton, "COM &4", 15, 50, 40, 10, false, false, false},
         {1, K::DefPushButton, "OK", 132, 12, 50, 14, true, true, false},
         {2, K::PushButton, "CANCEL", 132, 30, 50, 14, true, true, false},
     }},
    {132,
     "COM port selection",
     114,
     95,
     true,
     {
         {-1, K::GroupBox, "COM port selection", 7, 7, 100, 60, false, false, false},
         {1200, K::AutoRadioButton, "COM &1", 15, 20, 40, 10, true, true, false},
         {1201, K::AutoRadioButton, "COM &2", 15, 30, 40, 10, false, false, false},
         {1202, K::AutoRadioButton, "COM &3", 15, 40, 40, 10, false, false, false},
         {1203, K::AutoRadioButton, "COM &4", 15, 50, 40, 10, false, false, false},
         {1, K::DefPushButton, "OK", 33, 74, 50, 14, true, true, false},
     }},
};

}  // namespace expected
