#include <windows.h>

#include "app/start_up.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return vr::RunApplication(); }
