#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;

// Creates the main window, whose creation runs the start-up sequence; the others follow
// when first reached.
void createForms();
// Deletes the windows that exist, the last made first.
void destroyForms();

namespace forms {

// Creates the windows after the main one, in their order, up to and including `order`.
void createUpTo(int order);
// The error for a window that cannot be made now: the main window or another one is still
// being made.
[[noreturn]] void notMadeYet(int order);

// One window, reached through its global. A window that the first paint does not need is
// made when first reached, together with every window before it that does not exist yet, so
// the windows are still made in their order. A window that cannot be made now is reported
// with an error, never handed out as null.
template <typename T, int Order>
class Window {
public:
    T* get() const {
        if (window_ == nullptr) {
            createUpTo(Order);
        }
        if (window_ == nullptr) {
            notMadeYet(Order);
        }
        return window_;
    }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    operator T*() const { return get(); }
    bool exists() const { return window_ != nullptr; }

private:
    friend void ::createForms();
    friend void ::destroyForms();
    friend void createUpTo(int order);
    T* window_ = nullptr;
};

}  // namespace forms

// The seven windows, each created once and reached through its global.
extern forms::Window<TForm1, 1> Form1;
extern forms::Window<TForm2, 2> Form2;
extern forms::Window<TForm3, 3> Form3;
extern forms::Window<TForm4, 4> Form4;
extern forms::Window<TForm5, 5> Form5;
extern forms::Window<TForm6, 6> Form6;
extern forms::Window<TForm7, 7> Form7;
