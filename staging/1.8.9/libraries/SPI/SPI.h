// SPI for Kestro boards, Arduino 1.8.9
#pragma once
class SPIClass {};
