#pragma once
void pinMode(unsigned char pin, unsigned char mode);
void digitalWrite(unsigned char pin, unsigned char val);
void delay(unsigned long ms);
