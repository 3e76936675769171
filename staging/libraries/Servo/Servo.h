// Servo library for Kestro boards
#pragma once
class Servo {};
