// Moves the plug-in's fixed working files from "c:\" into the directory
// named by the one-line file "c:\MORVPath.TXT".
#pragma once

// path: a 514-byte buffer holding a fixed name such as "c:\MORVpref.xxx".
void ResolveStorePath(char* path);
