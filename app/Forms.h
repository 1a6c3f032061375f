#pragma once

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;

// The seven windows, each created once and reached through its global.
extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;
extern TForm4* Form4;
extern TForm5* Form5;
extern TForm6* Form6;
extern TForm7* Form7;

// Creates the windows in the order TForm1 .. TForm7; each runs its creation handler as it is
// made, so the main window's start-up sequence is over before the second window exists.
void createForms();
void destroyForms();
