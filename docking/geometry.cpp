// Plain-value logic: no Win32 calls here.
