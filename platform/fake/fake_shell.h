// Controls of the fake shell links: a link is a file on the fake disk whose fields the fake keeps.
#pragma once

void ResetFakeShell();  // no link fields kept, saving works
void SetFakeShortcutFails(bool fails);  // CreateShortcut fails and writes nothing
