// The fixed names by which other programs find the window and its controls: the window
// class (a second instance looks for it) and one dialog control ID per control of the
// window model. Plain C++, so a test driver or a helper program can share it.
//
// IDs never change meaning: a control keeps its number for good, new controls take new
// numbers. The warning line, which is not a control of the model, has its own number.
#pragma once

#include <string_view>

namespace corvantis::win32ids {

// Class name of the program's top-level window.
inline constexpr wchar_t kMainWindowClass[] = L"CorvantisMainWindow";

// The warning line beneath the controls (a static text, hidden while empty).
inline constexpr int kWarningLine = 1900;

struct ControlId {
    std::string_view name;  // the control's name in the window model
    int id;                 // its dialog control ID (GetDlgItem)
};

// Every control of the model but the timers. Option buttons are named "Option1(0)" and
// "Option1(1)".
inline constexpr ControlId kControlIds[] = {
    // The "Display Rule Configuration" frame and its contents.
    {"Frame1", 1000},
    {"Check7", 1001},
    {"Label15", 1002},
    {"HourOffset", 1003},
    {"Label29", 1004},
    {"Label30", 1005},
    {"Label18", 1006},
    {"Label21", 1007},
    {"Label19", 1008},
    {"Label22", 1009},
    {"Label26", 1010},
    {"Label20", 1011},
    {"Label27", 1012},
    {"Label28", 1013},
    {"Label31", 1014},
    {"Label23", 1015},
    {"Combo12", 1016},
    {"Combo11", 1017},
    {"Combo10", 1018},
    {"Combo7", 1019},
    {"Combo9", 1020},
    {"Combo5", 1021},
    {"Combo6", 1022},
    {"Combo8", 1023},
    {"Label16", 1024},
    {"Combo13", 1025},
    {"Label17", 1026},
    {"Label12", 1027},
    {"Label32", 1028},
    {"Combo14", 1029},
    // Shown outside the frame.
    {"Label6", 1100},
    {"Label5", 1101},
    {"Label2", 1102},
    {"Label8", 1103},
    {"txtPCtime", 1104},
    {"txtLocalTime", 1105},
    {"Label3", 1106},
    {"Text1", 1107},
    {"Check8", 1108},
    {"Label10", 1109},
    {"Combo2", 1110},
    {"Label34", 1111},
    {"CurrAddress", 1112},
    {"Label35", 1113},
    {"NewAddress", 1114},
    {"SendAddr", 1115},
    {"Command2", 1116},
    {"Command1", 1117},
    {"Label33", 1118},
    // Hidden in the design.
    {"Label25", 1200},
    {"Text3", 1201},
    {"Text4", 1202},
    {"Label24", 1203},
    {"Text2", 1204},
    {"Label7", 1205},
    {"txtGPStime", 1206},
    {"Label1", 1207},
    {"Combo1", 1208},
    {"Label11", 1209},
    {"SerialRate", 1210},
    {"Check1", 1211},
    {"Label4", 1212},
    {"UDPaddress", 1213},
    {"Label9", 1214},
    {"UDPrate", 1215},
    {"Check2", 1216},
    {"Check3", 1217},
    {"Check4", 1218},
    {"Check5", 1219},
    {"Check6", 1220},
    {"AutoStart", 1221},
    {"Option1(0)", 1222},
    {"Option1(1)", 1223},
    {"Label13", 1224},
    {"Combo3", 1225},
    {"Label14", 1226},
    {"Combo4", 1227},
    {"Command3", 1228},
    {"Command5", 1229},
    {"Command6", 1230},
    {"Command4", 1231},
    {"UseZone", 1232},
};

// The ID of the control named `name`; 0 for a name without one.
constexpr int ControlIdOf(std::string_view name) {
    for (const ControlId& entry : kControlIds) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return 0;
}

}  // namespace corvantis::win32ids
