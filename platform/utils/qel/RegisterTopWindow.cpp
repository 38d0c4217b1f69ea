#include "qel/RegisterTopWindow.hpp"

#include <algorithm>
#include <vector>

namespace {
std::vector<RegisterTopWindow*>& Stack()
{
    static std::vector<RegisterTopWindow*> v;
    return v;
}
} // namespace

RegisterTopWindow::RegisterTopWindow(Window* pWindow) : mpWindow(pWindow) { Stack().push_back(this); }

RegisterTopWindow::~RegisterTopWindow() { std::erase(Stack(), this); }

Window* RegisterTopWindow::GetActiveTopWindow()
{
    return Stack().empty() ? nullptr : Stack().back()->mpWindow;
}
