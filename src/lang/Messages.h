#pragma once
// The switchable messages: 69 texts shared by message boxes, print titles and
// query captions. Each is Russian from start-up and English after the switch.
// Read a text at the moment it is shown, so a switch made earlier in the run applies.
#include <QString>

namespace Messages {

constexpr int count = 69;

// Current text of entry n (1..69); an empty text for any other n.
QString text(int n);

// Every entry takes its English text. Happens at most once per run and is never undone.
void switchToEnglish();
bool isEnglish();

}  // namespace Messages

inline QString msg(int n) { return Messages::text(n); }
