#include "manager/logic/param_labels.h"

#include <QHash>

namespace {

// clang-format off
const char* const kGeneralLabels[37] = {
    "Description", "APN Name", "User", "Password", "PIN Code of SIM Card", "Server IP Number",
    "Server port", "Minimal Time", "Maximal Time", "Maximal Distance", "Maximal Angle",
    "Number for SMS", "PIN Code for Configuration", "Basic Mode", "Measured elements", "Auto SMS",
    "GPRS Network Operator Code", "Digital Input DIN0", "Digital Input DIN1", "Digital Input DIN2",
    "Digital Input DIN3", "Digital Input DIN4", "Digital Input DIN5", "Digital Input DIN6",
    "Digital Input DIN7", "Authorization Tag Mask", "Minimal Time for Foreign GSM Operator",
    "Extended Mode", "GPRS Connection Time", "Second Extended Mode",
    "Maximal Time for Foreign GSM Operator", "Maximal Distance for Foreign GSM Operator",
    "Maximal Angle for Foreign GSM Operator", "G for Brake Detect", "G for Acceleration Detect",
    "G for Corner Detect", "Third Extended Mode",
};

const char* const kCalibrationLabels[19] = {
    "Minimal speed", "Maximal speed", "Immobiliser time", "GPS time",
    "Accelerometer X axis", "Accelerometer Y axis", "Accelerometer Z axis", "Switch-off time",
    "Sleep time", "Ignition type", "Ignition time", "Ignition value 1", "Ignition value 2",
    "SPN84 Offset", "SPN84 Length", "SPN917 Offset", "SPN917 Length", "SPN250 Offset",
    "SPN250 Length",
};

// The seven bit tables of the "Binary parameter" editor, 32 bits each.
const char* const kBitLabels[7][32] = {
    {   // MODE
        "Save Data in SMS Mode", "Activate the GPRS transmission",
        "Save the frame when DIN0 is changing", "Save the frame when DIN1 is changing",
        "Save the frame when DIN2 is changing", "Save the frame when DIN3 is changing",
        "Save the frame whilst driver identification", "Save the frame whilst alarm",
        "NiMH battery installed", "Battery charge triggered by voltage", "Common anode diodes",
        "Immobiliser activation", "Control the alarm siren", "Economical login to GPRS network",
        "Compression of transmitted data", "Save the frame when ignition changes",
        "Simultaneous measurement of pulse and freq.", "Retain TCP/UDP connection", "UDP Mode",
        "Save the frame when DIN4 is changing", "Save the frame when DIN5 is changing",
        "Save the frame when DIN6 is changing", "Save the frame when DIN7 is changing",
        "Filter analog inputs/Tag Mask Mode", "Use the times depending on the ignition",
        "The reduced power mode - GPS", "The reduced power mode - GSM", "MiMh 9V battery",
        "Magnetic DALLAS tag", "Save up backup battery", "Low voltage indication",
        "Save the GPRS session",
    },
    {   // MEASURE
        "GPS information", "Digital Inputs", "Analog Inputs", "Pulse Inputs", "ONE-WIRE Reader",
        "GSM Information", "Blackbox Information", "Alarm Information", "Additional GPS positions",
        "Digital fuel probe", "Additional GSM Information", "Terminal KX04 Information",
        "Server time", "Compass data/RFID reader data", "FMS extension data/additional FMS data",
        "Thermo-hygrometers S300 data", "Acceleration sensor data", "J1708/CAN interface data",
        "Additional MEMS Information", "Additional ONE-WIRE Reader", "Eco-driving data",
        "Frame event", "MDAS20 data", "CAN extra", "Additional Freq values",
        "Additional Kph values",
    },
    {   // AUTOSMS
        "Don't send SMS in GPRS mode", "Forward undefined SMS", "Send SMS when DIN0 -> 1",
        "Send SMS when DIN0 -> 0", "Send SMS when DIN1 -> 1", "Send SMS when DIN1 -> 0",
        "Send SMS when DIN2 -> 1", "Send SMS when DIN2 -> 0", "Send SMS when DIN3 -> 1",
        "Send SMS when DIN3 -> 0", "Send SMS when alarm appears",
        "Send SMS with position of the ring", "Send SMS when DIN4 -> 1", "Send SMS when DIN4 -> 0",
        "Send SMS when DIN5 -> 1", "Send SMS when DIN5 -> 0", "Send SMS when DIN6 -> 1",
        "Send SMS when DIN6 -> 0", "Send SMS when DIN7 -> 1", "Send SMS when DIN7 -> 0",
    },
    {   // DIN0CONF..DIN7CONF
        "DIN input filtering", "Reset the authorization when DIN -> 1",
        "Reset the authorization when DIN -> 0", "Manual authorization when DIN -> 1",
        "Manual authorization when DIN -> 0", "Alarm on lack authorization and DIN -> 1",
        "Alarm on lack authorization and DIN -> 0", "Charging the battery when DIN -> 1",
        "Charging the battery when DIN -> 0", "Delayed authorization reset",
        "Input is connected to ignition", "Negation of input state", "Mask input state",
        "Block immobilizer", "Signaling high level on DOUT",
    },
    {   // MODE2
        "Filter analog input 2", "Filter analog input 3", "Latch analog input 2",
        "Latch analog input 3", "Negate operation of immobilizer",
        "Don't log to GPRS on  low-signal level", "Negation of analog input 2",
        "Negation of analog input 3", "Support for Compass/ Support for VR20 terminal",
        "Support for Petrol Station", "Change DOUT0/1 and DOUT2/3", "Use EGNOS corrections",
        "Send frame at power disappeare / return", "Support for RS485 switch",
        "Reduced power mode - CAN", "Support for fuel flowmeters", "Activate Raw-CAN mode",
        "Full FMS/J1939 mode", "Activate J1708/J1587 mode", "Support for safeCAN",
        "Support for KX05 terminal", "Support for RFID switch",
        "Support for GPS interference measurement", "Retain J1708/FMS data",
        "Read driver ID from J1939/FMS", "FMS base speed 500kbps", "Reject voice incomming calls",
        "Support for Perpetuum fuelmeters", "Support for Aplisens CS26/RS485 fuelmeters",
        "Reduced power mode - USB/Ignition", "Harsh braking detection/TachoReader",
        "Lengtheen buzzer time/auto off/SRE",
    },
    {   // MODE3
        "Advanced management MINTIME", "Treat as an additional network of foreign",
        "Internet Connection Sharing", "Read driver ID from D8", "Signaling unread messages",
        "Auto close SPP connection", "J1708 wire connect", "Send VIN and VRN",
        "Support for D8 SRE format", "Support for H-01", "Virtual ignition on speed",
        "Support for new KWS", "Support for old KWS", "FMS base speed 125kbps", "USB WatchDog",
        "Support for Korvalen", "Support for CanExt", "Auto erase BB",
        "Convert analog inputs to digital", "Save the frame when speed exceeds 90km/h",
        "Save the frame when speed exceeds 110km/h", "Support for D8Jbus", "Longer signaling",
        "Virtual ignition on engine speed", "USB-D8 detect watchdog", "Fuel Box short timeout",
        "Support for GarminFMI", "Driving private when DIN1 is high", "Support for TachoReader",
        "Support for MDAS20", "Support for double authorization",
        "Support for JBUS TrailerID/Read RFID Once",
    },
    {   // MODE4
        "Support for CAN TrailerID", "Extra virtual ignition", "BT device information",
        "Wiegand on DIN6,7 inputs", "CAN Extra function 1", "CAN Extra function 2",
        "CAN Extra function 3", "Save the frame when TellTale is changing",
        "Support for JBUS Unique Reader", "Read RFID Once", "Suppotr for A-GPS",
        "Auto enable immobiliser", "Accelerometer on GPS", "Support for UMPP-1 J1708",
        "No position when no authorization", "No position when DIN1 is active",
        "Private driving indication on DOUT3", "CAN on ignition",
    },
};
// clang-format on

QHash<int, QString> BuildTable() {
    QHash<int, QString> t;
    for (int i = 0; i < 37; ++i) t.insert(1001 + i, QLatin1String(kGeneralLabels[i]));
    for (int i = 0; i < 19; ++i) {
        t.insert(i < 4 ? 3000 + i : 3022 + (i - 4), QLatin1String(kCalibrationLabels[i]));
    }
    t.insert(1100, QStringLiteral("Configuration number"));
    for (int k = 1; k <= 32; ++k) t.insert(1100 + k, QStringLiteral("Parameter %1").arg(k));
    t.insert(1140, QStringLiteral("Protocol Type"));
    for (int k = 1; k <= 3; ++k) t.insert(1140 + k, QStringLiteral("Bus speed %1").arg(k));
    t.insert(1150, QStringLiteral("Additional configuration"));
    for (int k = 1; k <= 10; ++k) t.insert(1199 + k, QStringLiteral("Status text %1").arg(k));
    for (int k = 1; k <= 6; ++k) {
        t.insert(1219 + k, QStringLiteral("Driver status text %1").arg(k));
    }
    for (int k = 1; k <= 10; ++k) {
        t.insert(1300 + 3 * (k - 1), QStringLiteral("Offset in the data %1").arg(k));
        t.insert(1301 + 3 * (k - 1), QStringLiteral("Minimum value %1").arg(k));
        t.insert(1302 + 3 * (k - 1), QStringLiteral("Maximum value %1").arg(k));
    }
    for (int k = 1; k <= 16; ++k) {
        t.insert(1399 + k, QStringLiteral("Authorization Tag Mask %1").arg(k));
    }
    for (int k = 1; k <= 60; ++k) {
        t.insert(1499 + k, QStringLiteral("DALLAS Authorization Tag Number %1").arg(k));
        t.insert(1599 + k, QStringLiteral("GPRS Network Operator Code %1").arg(k));
    }
    for (int editor = 1; editor <= 7; ++editor) {
        for (int bit = 0; bit < 32; ++bit) {
            const char* text = kBitLabels[editor - 1][bit];
            if (text != nullptr) t.insert(BitLabelId(editor, bit), QLatin1String(text));
        }
    }
    return t;
}

}  // namespace

QString LabelText(int id) {
    static const QHash<int, QString> table = BuildTable();
    return table.value(id);
}
