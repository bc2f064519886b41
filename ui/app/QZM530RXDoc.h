#pragma once

// The program's single document. It holds no data: the configuration lives
// in the application's store. It exists from start-up to exit so that the
// window layer has the one-document shape it is built around.
class CQZM530RXDoc
{
};
