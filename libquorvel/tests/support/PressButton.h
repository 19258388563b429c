#pragma once
// Clicks a button as the user does: its click event goes through its handlers (and on to its
// window). GUI thread.

class wxButton;

void pressButton(wxButton* button);
