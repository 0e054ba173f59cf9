#pragma once
// info, rtc get/set and the display commands.
class CliSession;

int RunInfo(CliSession &session);
int RunRtcCommand(CliSession &session);
int RunDisplayCommand(CliSession &session);
