// SPI for Kestro boards, Arduino 1.8.19
#pragma once
class SPIClass {};
