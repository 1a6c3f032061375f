#pragma once

class TForm5;

// Names the registration form's fields for screen readers after their captions, with their
// hints as descriptions. Escape does nothing on the form: a stray key must not drop what the
// user filled in; 取消 and the close box cancel it.
void describeForAccess(TForm5* form);
