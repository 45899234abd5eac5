// Window and event helpers shared by both windows.
