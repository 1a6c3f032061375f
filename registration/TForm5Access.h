#pragma once

class TForm5;

// Names the registration form's fields for screen readers after their captions, with their
// hints as descriptions, and lets Escape cancel the form.
void describeForAccess(TForm5* form);
