#pragma once
// eeprom read, write, verify, erase and blank on a 24Cxx or 93Cxx engine.
class CliSession;

int RunEepromCommand(CliSession &session);
