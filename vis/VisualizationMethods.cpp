#include "vis/VisualizationMethods.h"

#include "render/Drawing.h"

void TVisualizationMethods::BeginDrawAverage(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    StatisticColor = TOpenGLColor(0, 1, 0);
    StatisticColor.Apply();
}

void TVisualizationMethods::BeginDrawMedian(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    StatisticColor = TOpenGLColor(1, 1, 0);
    StatisticColor.Apply();
}

void TVisualizationMethods::BeginDrawModaValues(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    StatisticColor = TOpenGLColor(1, 0, 1);
    StatisticColor.Apply();
}

void TVisualizationMethods::BeginDrawStandardDeviation(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    StatisticColor = TOpenGLColor(0, 1, 1);
    StatisticColor.Apply();
}

void TVisualizationMethods::BeginDrawAverageList(TStatisticsList* statistics)
{
    CurrentStatisticsList = statistics;
    StatisticColor = TOpenGLColor(0, 1, 0);
    StatisticColor.Apply();
}

void TVisualizationMethods::BeginDrawMedianList(TStatisticsList* statistics)
{
    CurrentStatisticsList = statistics;
    StatisticColor = TOpenGLColor(1, 1, 0);
    StatisticColor.Apply();
}
