#pragma once
// The decoded state of one unit: filled by the location element frames, kept
// from line to line inside the unit's slot and written to one locdata row.
// Field names are the locdata column names. Bit n-1 of `present` is set by
// element frame n and says which column groups the record holds.

#include <cstdint>

inline constexpr int kTagLength = 20;
inline constexpr int kFmsDataLength = 20;
inline constexpr int kFmsDataExLength = 12;
inline constexpr int kTyreTextLength = 49;

struct LocationPoint {
    int32_t latituded;
    float latitudem;
    int32_t longituded;
    float longitudem;
};

struct LocationRecord {
    uint32_t present;
    // bit 0: position
    int32_t fixstat, satuse;
    int32_t latituded;
    float latitudem;
    int32_t longituded;
    float longitudem;
    float altitude, altref, cogt, kph;
    int32_t distance;
    int32_t time;              // hhmmsscc
    int32_t day, month, year;  // year 0: no date
    int32_t antstat;
    // bit 1: digital inputs
    int32_t rawdin, hidin, lodin;
    // bit 2: analogue inputs
    float val0, val1, val2, val3;
    // bit 3: counters
    int32_t imp0, imp1;
    float imp2, imp3;
    // bit 4: 1-Wire tag
    int32_t valid;
    char tagid[kTagLength];
    // bit 5: GSM
    int32_t sig, network;
    // bit 6: sequence
    int32_t seqno, mem;
    int8_t frame;
    // bit 7
    int8_t alarm;
    // bit 8: earlier positions
    int8_t fixstatd;
    LocationPoint points[4];  // latituded0 .. longitudem3
    // bit 9
    int32_t level0, level1, level2;
    // bit 10
    int32_t lac, ci;
    // bit 11
    int32_t tstat;
    float bat, pwr;
    int32_t remrssi, locrssi;
    // bit 12
    uint32_t srvtime;
    // bit 13
    float cogm;
    // bit 15
    int32_t s300stat;
    float temp1;
    int32_t higro1;
    float temp2;
    int32_t higro2;
    float temp3;
    int32_t higro3;
    float temp4;
    int32_t higro4;
    // bit 16
    float temp, accx, accy, accz;
    // bit 18 (fmsdataex: bit 17)
    int32_t fmsstatus, fmsconfig;
    uint8_t fmsdata[kFmsDataLength];
    uint8_t fmsdataex[kFmsDataExLength];  // directly after fmsdata: one 32-byte area
    // bit 19
    int32_t rfidstat, direction;
    float speed;
    // bit 20
    float acc2x, acc2y, acc2z;
    int32_t brake, accel, corner;
    // bit 21
    int32_t valid2;
    char tagid2[kTagLength];
    // bit 22
    int32_t route;
    int32_t count0, count1, count2, count3;
    int32_t time0, time1, time2, time3;
    int32_t dist0, dist1, dist2, dist3;
    // bit 23
    char pressures[kTyreTextLength], temperatures[kTyreTextLength], alarms[kTyreTextLength],
        flags[kTyreTextLength], positions[kTyreTextLength];
    // bit 24
    int8_t event;
    // bit 25
    int32_t ldwr, ldwl, ttc, fcw;
    // bit 26
    int32_t telltale, totalfuel;
    // bit 27
    int32_t freqstat;
    float freq0, freq1, freq2, freq3;
    // bit 28
    int32_t kphstat;
    float kph0, kph1, kph2, kph3;
};
