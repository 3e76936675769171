// OneWire library for Kestro boards
#pragma once
class OneWire {};
