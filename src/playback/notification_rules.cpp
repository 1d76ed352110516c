#include "playback/notification_rules.h"

std::string BufferingText(uint32_t percent) {
  return "буфферизация... " + std::to_string(percent) + "%";
}

RetryStep NextRetry(int& counter) {
  RetryStep step;
  if (counter >= kAttemptLimit) {
    step.give_up = true;
    return step;
  }
  ++counter;
  step.attempt = counter;
  step.text = "Ошибка соединения. Попытка " + std::to_string(counter) + ".";
  return step;
}
