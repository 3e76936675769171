// SPI for Kestro boards, Arduino 1.8.15
#pragma once
class SPIClass {};
