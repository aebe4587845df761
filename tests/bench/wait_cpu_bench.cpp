// How much processor time the program uses while a picture waits for its
// time: the real main window and the real clock, over a 10-second wait.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/main_form.h"
#include "platform/application.h"

using namespace vr;

namespace {

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "vr_wait_bench";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string file = folder + "\\WAIT.JPG";  // not a picture: logged, then waited for all the same
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);

  TApplication& app = InitApplication();
  app.Title = "Vistaroam";
  app.ModalHook = [](const TModalRequest&) { return IDOK; };
  TForm1 form(nullptr);
  Form1 = &form;
  app.MainForm = &form;
  form.Show();
  form.SpinEditSlow1->SetValue(10000);
  SendMessageA(form.SpeedButtonSlow1->Handle(), BM_CLICK, 0, 0);  // a fresh 10 s countdown
  form.DirectoryListBox1->SetDirectory(folder);

  ULONGLONG start = GetTickCount64();
  double cpu0 = CpuSeconds();
  SendMessageA(form.SpeedButtonGo1->Handle(), BM_CLICK, 0, 0);  // one pass: one 10 s wait
  double cpu = CpuSeconds() - cpu0;
  double wall = static_cast<double>(GetTickCount64() - start) / 1000.0;

  std::printf("wait_cpu_10s: wall %.2f s, process cpu %.3f s, %.2f %% of one core\n", wall, cpu,
              wall > 0 ? 100.0 * cpu / wall : 0.0);
  std::printf("ROW|Wait CPU|processor use while a picture waits 10 s (%% of one core)|%.2f|-|-|< 1 %%\n",
              wall > 0 ? 100.0 * cpu / wall : 0.0);
  std::fflush(stdout);
  DeleteFileA(file.c_str());
  RemoveDirectoryA(folder.c_str());
  return 0;
}
