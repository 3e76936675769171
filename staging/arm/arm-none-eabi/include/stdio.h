/* sample C library header */
#pragma once
int printf(const char *, ...);
