// SPI for Kestro boards, Arduino 1.8.13
#pragma once
class SPIClass {};
