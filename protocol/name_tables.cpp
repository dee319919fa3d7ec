#include "protocol/name_tables.h"

const NamedCode kFlexiSourceNames[kFlexiSourceNameCount] = {
    {"VCF Env.", 98},        {"Noise Env.", 99},      {"LFO", 101},
    {"Ch./Dly. LFO A", 104}, {"Ch./Dly. LFO B", 105}, {"VCO3 Tri", 106},
    {"VCO3 Sqr", 110},       {"VCO3 Saw", 112},       {"VCO4 Tri", 107},
    {"VCO4 Sqr", 111},       {"VCO4 Saw", 113},       {"White Noise", 108},
    {"Pink Noise", 109},     {"Env. Follower", 97},   {"Accent", 100},
    {"Pitch", 102},          {"Aftertouch", 96},      {"PB Wheel", 103},
    {"PB Wheel", 103},       {"PB Wheel", 103},       {"Midi CC 1", 1},
    {"Midi CC 2", 2},        {"Midi CC 3", 3},        {"Midi CC 4", 4},
    {"Midi CC 5", 5},        {"Midi CC 7", 7},        {"Midi CC 8", 8},
    {"Midi CC 9", 9},        {"Midi CC 10", 10},      {"Midi CC 11", 11},
    {"Midi CC 12", 12},      {"Midi CC 13", 13},      {"Midi CC 14", 14},
    {"Midi CC 15", 15},      {"Midi CC 16", 16},      {"Midi CC 17", 17},
    {"Midi CC 18", 18},      {"Midi CC 19", 19},      {"Midi CC 19", 19},
    {"Midi CC 19", 19},      {"Midi CC 20", 20},      {"Midi CC 21", 21},
    {"Midi CC 22", 22},      {"Midi CC 23", 23},      {"Midi CC 24", 24},
    {"Midi CC 25 ", 25},     {"Midi CC 26", 26},      {"Midi CC 27", 27},
    {"Midi CC 28", 28},      {"Midi CC 29", 29},      {"Midi CC 30", 30},
    {"Midi CC 31", 31},      {"Midi CC 64", 64},      {"Midi CC 65", 65},
    {"Midi CC 66", 66},      {"Midi CC 67", 67},      {"Midi CC 68", 68},
    {"Midi CC 69", 69},      {"Midi CC 69", 69},      {"Midi CC 69", 69},
    {"Midi CC 70", 70},      {"Midi CC 71", 71},      {"Midi CC 72", 72},
    {"Midi CC 73", 73},      {"Midi CC 74", 74},      {"Midi CC 75", 75},
    {"Midi CC 76", 76},      {"Midi CC 77", 77},      {"Midi CC 78", 78},
    {"Midi CC 79", 79},      {"Midi CC 80", 80},      {"Midi CC 81", 81},
    {"Midi CC 82", 82},      {"Midi CC 83", 83},      {"Midi CC 84", 84},
    {"Midi CC 85", 85},      {"Midi CC 86", 86},      {"Midi CC 87", 87},
    {"Midi CC 87", 87},      {"Midi CC 87", 87},      {" ", 0},
};

const NamedCode kRangeControlNames[kRangeControlNameCount] = {
    {"OFF", 0},         {"Env. Follower", 97}, {"Accent", 100},    {"Pitch", 102},
    {"Aftertouch", 96}, {"PB Wheel", 103},     {"Midi CC 1", 1},   {"Midi CC 2", 2},
    {"Midi CC 3", 3},   {"Midi CC 4", 4},      {"Midi CC 5", 5},   {"Midi CC 7", 7},
    {"Midi CC 8", 8},   {"Midi CC 9", 9},      {"Midi CC 10", 10}, {"Midi CC 10", 10},
    {"Midi CC 10", 10}, {"Midi CC 10", 10},    {"Midi CC 10", 10}, {"Midi CC 10", 10},
    {"Midi CC 11", 11}, {"Midi CC 12", 12},    {"Midi CC 13", 13}, {"Midi CC 14", 14},
    {"Midi CC 15", 15}, {"Midi CC 16", 16},    {"Midi CC 17", 17}, {"Midi CC 18", 18},
    {"Midi CC 19", 19}, {"Midi CC 20", 20},    {"Midi CC 21", 21}, {"Midi CC 22", 22},
    {"Midi CC 23", 23}, {"Midi CC 24", 24},    {"Midi CC 25", 25}, {"Midi CC 25", 25},
    {"Midi CC 25", 25}, {"Midi CC 25", 25},    {"Midi CC 25", 25}, {"Midi CC 25", 25},
    {"Midi CC 26", 26}, {"Midi CC 27", 27},    {"Midi CC 28", 28}, {"Midi CC 29", 29},
    {"Midi CC 30", 30}, {"Midi CC 31", 31},    {"Midi CC 64", 64}, {"Midi CC 65", 65},
    {"Midi CC 66", 66}, {"Midi CC 67", 67},    {"Midi CC 68", 68}, {"Midi CC 69", 69},
    {"Midi CC 70", 70}, {"Midi CC 71", 71},    {"Midi CC 72", 72}, {"Midi CC 72", 72},
    {"Midi CC 72", 72}, {"Midi CC 72", 72},    {"Midi CC 72", 72}, {"Midi CC 72", 72},
    {"Midi CC 73", 73}, {"Midi CC 74", 74},    {"Midi CC 75", 75}, {"Midi CC 76", 76},
    {"Midi CC 77", 77}, {"Midi CC 78", 78},    {"Midi CC 79", 79}, {"Midi CC 80", 80},
    {"Midi CC 81", 81}, {"Midi CC 82", 82},    {"Midi CC 83", 83}, {"Midi CC 84", 84},
    {"Midi CC 85", 85}, {"Midi CC 86", 86},    {"Midi CC 87", 87}, {"Midi CC 87", 87},
    {"Midi CC 87", 87}, {"Midi CC 87", 87},    {"Midi CC 87", 87}, {"Midi CC 87", 87},
};

const char* const kLfoNoteDivisions[kLfoNoteDivisionCount] = {
    "1/1",  "1/1",  "1/2",   "1/4",  "1/8",  "1/16", "1/32",
    "1/4T", "1/8T", "1/16T", "1/4D", "1/8D", "1/16D"};

const char* const kDelayNoteDivisions[kDelayNoteDivisionCount] = {
    "1/16D", "1/8D", "1/4D", "1/16T", "1/8T", "1/4T", "1/16", "1/8", "1/4", "1/2"};
