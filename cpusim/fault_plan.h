// Faults the board injects into its answers, chosen on the command line as
// KIND@BLOCK[xCOUNT][/SESSION]. The kinds are described in main.cpp.
//
// BLOCK names the board's regular answer by the block number it carries:
// ACK BLOCK in a write (0 answers the WRITE request), DATA BLOCK in a read
// (1 answers the READ request; 0 means the same answer). From that answer on
// the fault hits COUNT answers in a row (default 1); answers repeated after
// an ERROR with block number 0 count too. Without /SESSION a fault is armed
// anew in every session, with it only in session number SESSION (from 1).
#pragma once

#include <cstdint>

enum FaultKind : unsigned {
    FAULT_ERROR0 = 1u << 0,
    FAULT_ERROR = 1u << 1,
    FAULT_NONUL = 1u << 2,
    FAULT_FCS = 1u << 3,
    FAULT_WRONGBLOCK = 1u << 4,
    FAULT_REPEAT = 1u << 5,
    FAULT_UNKNOWNCMD = 1u << 6,
    FAULT_ACK = 1u << 7,
    FAULT_GARBAGE = 1u << 8,
    FAULT_PIECES = 1u << 9,
    FAULT_SHORTDATA = 1u << 10,
    FAULT_SHORTFRAME = 1u << 11,
    FAULT_EMPTYDATA = 1u << 12,
    FAULT_SILENCE = 1u << 13,
};

// Parses one --fault argument; on failure writes why into error.
bool AddFault(const char* text, char* error, int errorSize);
// Re-arms the faults that apply to this session.
void ArmFaults(int sessionNumber, bool writeSession);
// The faults that hit the regular answer carrying block number `block`
// (toRequest: it answers the request). Consumes them.
unsigned TakeFaults(uint16_t block, bool toRequest);
// Names of the faults in a set, for the board's report, e.g. "fcs+pieces".
const char* FaultNames(unsigned faults);
