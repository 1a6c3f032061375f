#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;

// Deletes the windows that exist, the last made first.
void destroyForms();

namespace forms {

// Creates the windows after the main one, in their order, up to and including `order`.
void createUpTo(int order);

// A window that the first paint does not need: made when first reached, together with every
// window before it that does not exist yet, so the windows are still made in their order.
template <typename T, int Order>
class Deferred {
public:
    T* get() const {
        if (window_ == nullptr) {
            createUpTo(Order);
        }
        return window_;
    }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    operator T*() const { return get(); }
    bool exists() const { return window_ != nullptr; }

private:
    friend void createUpTo(int order);
    friend void ::destroyForms();
    T* window_ = nullptr;
};

}  // namespace forms

// The seven windows, each created once and reached through its global.
extern TForm1* Form1;
extern forms::Deferred<TForm2, 2> Form2;
extern forms::Deferred<TForm3, 3> Form3;
extern forms::Deferred<TForm4, 4> Form4;
extern forms::Deferred<TForm5, 5> Form5;
extern forms::Deferred<TForm6, 6> Form6;
extern forms::Deferred<TForm7, 7> Form7;

// Creates the main window, whose creation runs the start-up sequence; the others follow
// when first reached.
void createForms();
