#pragma once

// Each qzctl command takes the arguments after its own name, raw: texts are 8-bit bytes and
// pass through unchanged. Exit status: 0 success, 1 findings or failure, 2 bad input or usage.
namespace qzctl {

// Exit statuses every command shares: done, failed, refused input.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadInput = 2;

int CmdEncode(int argc, char** argv);
int CmdSummary(int argc, char** argv);
// (file commands)
int CmdShow(int argc, char** argv);
int CmdConvert(int argc, char** argv);
int CmdFrames(int argc, char** argv);
int CmdCheck(int argc, char** argv);
// (device-link commands)
int CmdSim(int argc, char** argv);
int CmdPorts(int argc, char** argv);
int CmdUpload(int argc, char** argv);
int CmdClear(int argc, char** argv);
int CmdLearn(int argc, char** argv);
int CmdSend(int argc, char** argv);

} // namespace qzctl
