// The program's entry point: start-up, the run and its end live in app/start_up.
#include <windows.h>

#include "app/start_up.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return vr::RunApplication(); }
