// The screen-saver password of the 95/98 family: the verifier library, and telling the system
// whether a saver runs.
#pragma once

// Loads "PASSWORD.CPL"'s verifier when the desktop settings ask for a password (95/98 family
// only). RunSaver calls it before the full-screen window exists.
void LoadPasswordVerifier();
// Releases the verifier library; RunSaver calls it after its message loop.
void UnloadPasswordVerifier();
// Tells the 95/98 family whether a saver runs (it then keeps the task switch keys to itself).
void SetSaverRunning(bool on);
