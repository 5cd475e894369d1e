// Test support lives in this folder (see its headers).
