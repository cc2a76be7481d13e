// ShapedForm.exe run as a user runs it, and its command line.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tools/shaped/ShapedOptions.h"

namespace {

struct ProgramRun {
  DWORD exit_code = ~0u;
  std::string output;
  DWORD milliseconds = 0;
};

std::string WindowsPath(std::string unix_path) {
  for (char& c : unix_path) {
    if (c == '/') c = '\\';
  }
  return "Z:" + unix_path;
}

// `text` in double quotes, for a command line.
std::string Quoted(const std::string& text) {
  std::string q(1, '"');
  q.append(text).push_back('"');
  return q;
}

// Runs the built program with `args`; its output (both streams) captured in a file.
ProgramRun RunProgram(const std::string& args) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  static int runs = 0;
  std::string out_path = "shaped-program-output-" + std::to_string(++runs) + ".txt";
  HANDLE out = ::CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(out, INVALID_HANDLE_VALUE) << "cannot create " << out_path;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  std::string command = Quoted(WindowsPath(SHAPED_FORM_PATH));
  command.append(" ").append(args);
  DWORD start = ::GetTickCount();
  BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process);
  ::CloseHandle(out);
  ProgramRun run;
  EXPECT_TRUE(started) << command;
  if (!started) return run;
  EXPECT_EQ(::WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  run.milliseconds = ::GetTickCount() - start;
  ::GetExitCodeProcess(process.hProcess, &run.exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  std::ifstream in(out_path, std::ios::binary);
  run.output.assign(std::istreambuf_iterator<char>(in), {});
  in.close();
  ::DeleteFileA(out_path.c_str());
  return run;
}

}  // namespace

TEST(ShapedProgram, ShowsTheSampleForTheGivenTime) {
  ProgramRun run = RunProgram(Quoted(WindowsPath(SHAPED_SAMPLE_PATH)).append(" --seconds 1"));
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_GE(run.milliseconds, 1000u);
  EXPECT_EQ(run.output, "");
}

TEST(ShapedProgram, FailsClearlyForAMissingOrUnreadablePicture) {
  std::string garbage = "shaped-program-garbage.bmp";
  std::ofstream(garbage) << "not a picture";
  struct Row {
    std::string args;
    DWORD exit_code;
    const char* message;
  };
  const Row rows[] = {
      {"Z:\\no\\such\\picture.bmp --seconds 1", 1,
       "ShapedForm: Picture file 'Z:\\no\\such\\picture.bmp' no such file"},
      {garbage + " --seconds 1", 1, "is not a readable BMP picture"},
      {"", 2, "no picture file given"},
      {"a.bmp --seconds 0", 2, "--seconds takes a whole number"},
      {"a.bmp --fast", 2, "unknown option --fast"},
  };
  for (const Row& r : rows) {
    ProgramRun run = RunProgram(r.args);
    EXPECT_EQ(run.exit_code, r.exit_code) << r.args << "\n" << run.output;
    EXPECT_NE(run.output.find(r.message), std::string::npos) << r.args << "\n" << run.output;
  }
  ::DeleteFileA(garbage.c_str());
}

TEST(ShapedProgram, CommandLine) {
  using tessel::shaped::ParseShapedOptions;
  tessel::shaped::ShapedOptions o;
  std::string error;
  ASSERT_TRUE(ParseShapedOptions({"--seconds", "3", "p.bmp"}, &o, &error)) << error;
  EXPECT_EQ(o.picture, "p.bmp");
  EXPECT_EQ(o.seconds, 3);
  ASSERT_TRUE(ParseShapedOptions({"p.bmp"}, &o, &error));
  EXPECT_EQ(o.seconds, 0) << "until closed";
  EXPECT_FALSE(ParseShapedOptions({"p.bmp", "q.bmp"}, &o, &error));
  EXPECT_FALSE(ParseShapedOptions({"p.bmp", "--seconds"}, &o, &error));
  EXPECT_FALSE(ParseShapedOptions({"p.bmp", "--seconds", "2x"}, &o, &error));
}
