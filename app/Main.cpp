// Quillon's entry: the application object, the main window, the message loop.
#include <windows.h>

#include "app/Unit1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    fw::TApplication& application = fw::Application();
    try {
        application.Initialize();
        application.SetMainFormOnTaskBar(true);
        application.SetTitle(L"Quillon");
        application.CreateForm<app::TForm1>();
        application.Run();
    } catch (...) {
        application.HandleException(std::current_exception());
    }
    return 0;
}
