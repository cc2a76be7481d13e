// ShapedForm.exe run as a user runs it.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "framework/HandleNames.h"

namespace {

struct ProgramRun {
  DWORD exit_code = ~0u;
  std::string output;
  DWORD milliseconds = 0;
};

std::string WindowsPath(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path.insert(0, "Z:");
}

// `path` in quotes, as a command line needs it when it has spaces.
std::string Quoted(const std::string& path) {
  std::string quoted = "\"";
  quoted += path;
  quoted += '"';
  return quoted;
}

int g_runs = 0;

// Runs the built program with `args`, both output streams captured in a file;
// `while_running` is called once the process has started.
template <class Probe = void (*)()>
ProgramRun RunProgram(
    const std::string& args, Probe while_running = [] {}) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  // A file of its own per run: an ended run's file may still be held for a moment.
  std::string out_path = "shaped-program-output-" + std::to_string(++g_runs) + ".txt";
  HANDLE out = ::CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(out, INVALID_HANDLE_VALUE) << "cannot create " << out_path;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = out;
  PROCESS_INFORMATION process{};
  std::string command = Quoted(WindowsPath(SHAPED_FORM_PATH)).append(" ").append(args);
  DWORD start = ::GetTickCount();
  BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process);
  ::CloseHandle(out);
  ProgramRun run;
  if (!started) return run;
  while_running();
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

TEST(ShapedProgram, ShowsTheSampleShapedForTheGivenTime) {
  HWND window = nullptr;
  RECT outer{}, client{};
  int region = ERROR;
  auto look = [&] {
    // Shown only once shaped and sized.
    for (int i = 0; i < 100 && !(window && ::IsWindowVisible(window)); ++i, ::Sleep(20))
      window = ::FindWindowA(nullptr, "Shaped form");
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    fw::ScopedRegion copy(::CreateRectRgn(0, 0, 0, 0));
    region = ::GetWindowRgn(window, copy.get());
  };
  ProgramRun run = RunProgram(Quoted(WindowsPath(SHAPED_SAMPLE_PATH)).append(" --seconds 2"), look);
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_GE(run.milliseconds, 2000u);
  EXPECT_EQ(run.output, "");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 100);
  EXPECT_EQ(client.right, 220) << "the sample's size";
  EXPECT_EQ(client.bottom, 160);
  EXPECT_EQ(region, COMPLEXREGION);
}

TEST(ShapedProgram, FailsClearlyForAMissingOrUnreadablePictureOrABadCommandLine) {
  std::ofstream("shaped-program-garbage.bmp") << "not a picture";
  struct Row {
    std::string args;
    DWORD exit_code;
    const char* message;
  };
  const Row rows[] = {
      {"Z:\\no\\such\\picture.bmp --seconds 1", 1,
       "ShapedForm: Picture file 'Z:\\no\\such\\picture.bmp' no such file"},
      {"shaped-program-garbage.bmp --seconds 1", 1, "is not a readable BMP picture"},
      {"", 2, "no picture file given"},
      {"a.bmp --seconds 0", 2, "--seconds takes a whole number"},
      {"a.bmp b.bmp", 2, "one picture only"},
  };
  for (const Row& r : rows) {
    ProgramRun run = RunProgram(r.args);
    EXPECT_EQ(run.exit_code, r.exit_code) << r.args << "\n" << run.output;
    EXPECT_NE(run.output.find(r.message), std::string::npos) << r.args << "\n" << run.output;
  }
  ::DeleteFileA("shaped-program-garbage.bmp");
}

TEST(ShapedProgram, RefusesADamagedPictureWithAMessageInsteadOfCrashing) {
  std::ifstream in(WindowsPath(SHAPED_SAMPLE_PATH), std::ios::binary);
  std::string sample(std::istreambuf_iterator<char>(in), {});
  ASSERT_GT(sample.size(), 1000u);
  struct Row {
    const char* file;
    std::string bytes;
    const char* reason;
  };
  // The sample is 220 x 160 pixels of 24 bits, its rows from offset 54.
  std::string far_offset = sample;
  far_offset[10] = far_offset[11] = far_offset[12] = static_cast<char>(0xFF);  // 16 MB on
  const Row rows[] = {
      {"shaped-program-cut.bmp", sample.substr(0, 200), "its 160 rows need"},
      {"shaped-program-far-offset.bmp", far_offset,
       "its pixel data offset 16777215 lies past the end of the file"},
  };
  for (const Row& r : rows) {
    std::ofstream(r.file, std::ios::binary) << r.bytes;
    ProgramRun run = RunProgram(std::string(r.file) + " --seconds 1");
    EXPECT_EQ(run.exit_code, 1u) << r.file << "\n" << run.output;
    const std::string message = std::string("ShapedForm: Picture file '") + r.file +
                                "' is not a readable BMP picture: " + r.reason;
    EXPECT_NE(run.output.find(message), std::string::npos) << r.file << "\n" << run.output;
    ::DeleteFileA(r.file);
  }
}
