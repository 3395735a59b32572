<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>CalibrationDlg</name>
    <message>
        <source>Calibration Screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Old Cal Constants</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Cal Constants</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Validation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VALIDATION VALUES</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>type of sensor attached</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SN:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cal Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2.8  pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>120  pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>600  pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1000 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1700 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Obtained</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Expected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User must select correct port from dropdown box and press connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>device failed to open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Initializing sensor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixture disconnected. Reconnect it, choose its port and press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection to the KR-5M-LD-CV-LNK was lost. Check the USB cable at the computer and at the fixture, then choose the fixture&apos;s port and press Connect to identify the sensor again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new constants may not have been stored in the KR-5M-LD: run a Validation after reconnecting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixture disconnected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resend command</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Found Validation Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KR-5M-LD - has 30 minute timeout</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KR-5M-LD-CV-LNK - found serial number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KR-5M-LD-CV-LNK Version obtained</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KR-5M-LD - found serial number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slope Acquired</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KR-5M-LD-CV-LNK - found Calibration Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KR-5M-LD - found Calibration Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: cannot continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Unit Under Test has non-compatible firmware installed. Please contact factory for resolution.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Validation or Calibration button, then Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Raw Mode is now ON - Calibration Process initializing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Raw Mode is now OFF - Validation Process initializing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sampling Step, please wait</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Acquired Step %1, continuing to sample</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Validation Complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Input Necessary</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Validation has failed at least one step. Go to Calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In order to print a hard copy, saving is necessary. Do you want to save this to a file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration Starting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Now acquiring low data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Now acquiring high data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Acquired Low Sample %1 of 5, continuing to sample</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Acquired High Sample %1 of 5, continuing to sample</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration Low Complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration High Complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Important Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Calibration Sequence has completed. User should select YES to store new constants and start new Validation Process or select NO to invalidate the Calibration just undertaken.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Calibration or Validation, then Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving MC, please wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving BC, please wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving Calibration Date, please wait...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sensor did not confirm saving the new constants</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving not confirmed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The KR-5M-LD did not confirm that it stored the new calibration constants, so they may not be in the sensor. Run a Validation to check the sensor, or a Calibration to try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SaveFile</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error Saving</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write to file %1:
%2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Written - Use Print Button for hard copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printing failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The page could not be printed: the printer could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error Reading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read from file %1:
%2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample %1 could not be read, asking the sensor again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The KR-5M-LD&apos;s raw reading could not be read %1 times in a row, so no calibration constants were computed and nothing was written to the sensor. Check the USB cable and that the KR-5M-LD sits correctly in the fixture, then run the Calibration again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No port of a KR-5M-LD-CV-LNK found. Plug the fixture in, then press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the KR-5M-LD-CV-LNK&apos;s port, %1, and press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> or </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the records did not answer within %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration record not saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The calibration record could not be saved: %1. The sensor&apos;s present constants (MC %2, BC %3) would then be on record nowhere. Store the new constants anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The run goes on. Its events are written to the records as soon as they can be, while the program stays open.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No KR-5M-LD-CV-LNK found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new slope MC differs from the present one by %1 %. Check the standard solutions and the cell before storing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No usable calibration constants can be computed from the low and the high readings: they are equal, the high one is below the low one, or they are impossibly far apart. Nothing was written to the sensor. Check that the KR-5M-LD sits correctly in the fixture and run the Calibration again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Certificate</name>
    <message>
        <source>No run of sensor %1 ended with a passing validation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor %1 has no run %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1: no reading</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PASS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The run of %1 did not end with a passing validation; it has no certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration Certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate number: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjustment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ambient conditions were not recorded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The report of this run was saved with edited fields: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration Certificate %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>passed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the calibration date it reports, %1, was more than %2 months before the run</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its recorded calibration of %1 was more than %2 months before the run</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its calibration was due on %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the laboratory&apos;s name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the laboratory&apos;s address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the place of calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the method</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the customer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the customer&apos;s address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the condition as received</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the temperature</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the humidity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the statement on ambient conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the next due date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the decision rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s calibrating laboratory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s calibration date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s due date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s uncertainties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s coverage factor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the concession</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The laboratory&apos;s name and address are not set: a certificate names the laboratory that issues it. Set them with cvu-records set laboratory-name=... laboratory-address=..., or in Settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 ran this calibration and may not also approve its certificate: another account approves it, or the lab allows self-approval (cvu-records set self-approval=yes).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The reference standard was out of its calibration interval at the time of the run (%1): a certificate is issued only with an approver&apos;s concession and its reason.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DRAFT – not valid as a certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Revision %1: replaces %2. Reason: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changed: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Laboratory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The laboratory&apos;s name and address are not set.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Place of calibration: the laboratory, at the address above</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Place of calibration: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not stated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Item calibrated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 conductivity sensor, serial number %2, firmware %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Condition as received: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it %1 its validation as found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not validated before it was adjusted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Method</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Validation at five reference conductivities and two-point calibration in the KR-5M-LD-CV-LNK fixture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Performed with %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date of calibration: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date of issue: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Results as found (validation of %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Constants before: MC %1 pS/m per count, BC %2 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Constants after: MC %1 pS/m per count, BC %2 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sensor confirmed that it saved the new constants.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sensor did not confirm that it saved the new constants; the results as left show the constants it holds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sensor&apos;s answer to saving the new constants is not recorded; the results as left show the constants it holds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No adjustment was made.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The results as found are the results as left.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Results as left (validation of %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other validation in this run (%1, %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reference standard and traceability</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, serial number %2, firmware %3, calibration date as it reports it: %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not readable (&quot;%1&quot;)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibrated by %1, certificate %2, on %3, due %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a laboratory not recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(number not recorded)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a date not recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The reference values are traceable to the SI through that calibration of the reference standard.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The reference standard&apos;s own calibration is not recorded: the traceability of these results is not stated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The reference standard was out of its calibration interval at the time of this calibration: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Issued by concession: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ambient conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Temperature %1 °C, relative humidity %2 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next calibration due: %1, as agreed with the customer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The results relate only to the item calibrated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This certificate shall not be reproduced except in full.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Approval</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 (account %3), %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Approved by the technician who made the calibration, as the laboratory allows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not approved: DRAFT – not valid as a certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration by %1 (account %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Made by %1 from the records; record: event %2, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration Certificate %1, page %2 of %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate %1 is issued already; its next revision is made with an amendment and its reason.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No certificate of this run is issued yet: it is issued with an approval, not amended.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An amendment says why it replaces the certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The certificate could not be recorded, so it is not issued: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The run of %1 was imported from an earlier calibration history: its records do not show how it ended, so no certificate is made from them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The run of %1 did not end normally (the program stopped before the run ended): its records cannot show the sensor as it was left.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>In the run of %1 new constants were sent to the sensor and never validated after that: there are no results as left.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The run of %1 has no complete validation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ratio %1:1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (below 4:1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 pS/m, U = %2 pS/m, k = %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 pS/m (U not stated)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>under the rule: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, risk %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>as found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>as left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>other validation of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Simple acceptance (ILAC-G8:09/2019 4.2.1, guard band w = 0): a step is accepted when its reading lies within the bounds. A reading close to a bound may be accepted although the sensor is out of tolerance: each step&apos;s specific risk, the probability that the true value lies outside the bounds, is given with it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Guarded acceptance (ILAC-G8:09/2019 4.2.2, guard band w = U): a step is accepted only when its reading lies within the bounds narrowed by its expanded uncertainty U on each side.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non-binary statement (ILAC-G8:09/2019 4.2.3): Pass within the bounds narrowed by U; Conditional Pass within the bounds but nearer a bound than U; Conditional Fail outside the bounds by less than U; Fail outside them by more.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1: U cannot be stated: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1, reading %2 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>   %1: %2 (%3), u = %4 pS/m, degrees of freedom %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>   combined u = %1 pS/m, effective degrees of freedom %2, k = %3, U = %4 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the repeatability</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the further uncertainty contributions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement uncertainty and decision rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each reading is given with its expanded uncertainty U, the combined standard uncertainty multiplied by the coverage factor k for a coverage probability of about 95 %; the measurand is the sensor&apos;s error of indication at each step. The budgets are on the last page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The bounds are the KR-5M-LD&apos;s specified tolerances at each reference step.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>U cannot be stated for every step: the reference standard&apos;s uncertainties are not recorded in full. The lab&apos;s rule falls back to simple acceptance, without a guard band: a reading close to a bound may be accepted although the sensor is out of tolerance, with a risk of up to 50 % at the bound itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeatability is not included in the uncertainties: the laboratory has recorded no repeatability study.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeatability is not included in the uncertainties of steps %1: the laboratory&apos;s repeatability study does not cover them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>conforms to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not conform to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Under this rule the verdict of at least one step differs from the PASS or FAIL against the bounds alone that the calibration showed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Annex: uncertainty budgets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Validation %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uncertainty of the new constants: MC U = %1 pS/m per count, k = %2; BC U = %3 pS/m, k = %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The uncertainty of the new constants is not stated: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1  reference %2 pS/m   reading %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>bounds %1 to %2 pS/m   %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As left, under this rule, the sensor %1 its step tolerances.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InfoBar</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Why?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IssueDialog</name>
    <message>
        <source>Certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Approver&apos;s name as printed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Temperature (°C)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relative humidity (%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Condition as received</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Concession</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Why it is issued although the reference was out of its interval</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reason for the revision</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Approving records your account and name with the meaning &quot;Approved for issue&quot;, now, and issues the certificate: it cannot be changed afterwards, only replaced by a revision.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;draft...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Approve and issue...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Revision %1 of certificate %2, replacing it, for sensor %3 (run of %4). You approve it as %5.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate %1 for sensor %2 (run of %3). You approve it as %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The reference standard was out of its calibration interval at the time of the run: %1. It is issued only with a concession and its reason.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PortProblems</name>
    <message>
        <source>%1 (process %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is in use by another program: a terminal program, a second copy of this utility or another tool for the fixture. Close it, then press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is in use by another program, or locked by one: a terminal program, a second copy of this utility, or ModemManager probing the port. Close it, then press Connect.

(%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is in use by another program: %2. Close it, then press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ModemManager probes every new serial port for a modem. Stop it while you work with the fixture:

sudo systemctl stop ModemManager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your account %1 was added to the group &quot;%2&quot;, which may use %3, but this session began before that. Log out and log in again (or restart the computer), then press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your account %1 may not use %2: the port belongs to the group &quot;%3&quot;, and the account is not in it. Add it with this command, then log out and log in again:

sudo usermod -aG %3 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is no longer there: the fixture was unplugged, or its cable came loose. Plug it in, choose its port from the list and press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be opened: %2. Check that the fixture is plugged in, choose its port again and press Connect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No FTDI serial port is listed. Windows needs FTDI&apos;s VCP driver for the KR-5M-LD-CV-LNK: Windows Update usually installs it when the fixture is plugged in; otherwise install the &quot;VCP driver&quot; from FTDI. Then the fixture appears in Device Manager under Ports (COM &amp; LPT) as &quot;USB Serial Port (COMn)&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The computer sees no FTDI USB device, so no KR-5M-LD-CV-LNK is connected. Check the USB cable at both ends (some cables carry power only, no data) and try another USB port.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but no serial port appeared for it: the braille-display service brltty claims such devices. If no braille display is used on this computer, remove it, then unplug the fixture and plug it in again:

sudo apt remove brltty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but the FTDI serial driver (ftdi_sio) is not loaded. Load it, then unplug the fixture and plug it in again:

sudo modprobe ftdi_sio

If that fails, the kernel&apos;s extra modules are missing (on Ubuntu: sudo apt install linux-modules-extra-$(uname -r)).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An FTDI USB device, as the KR-5M-LD-CV-LNK is, is plugged in, but no serial port appeared for it. Unplug the fixture and plug it in again; if still no port appears, the system log (sudo dmesg) says why.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Records</name>
    <message>
        <source>Cannot move the damaged %1 aside.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the folder %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are no records at %1 yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open the calibration records %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The calibration records %1 were damaged. They were kept as %2, and new records were begun.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write the calibration records %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No server is set: name one with --server, or in the settings of cvu-records.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records at %1 cannot say which records they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another program is sending these records to the server now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server refused the account&apos;s name or password (the password is kept in .pgpass or PGPASSFILE): %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The secure connection (TLS) to the server failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server has no calibration register yet; its owner sets it up with cvu-records server-init: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The account may not use the register; make it a member of cvu_bench: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server cannot be reached: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server has no database of that name: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server refused: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No server is set: the records stay on this computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connected: the lab&apos;s register holds %1 records from %2 benches.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 is damaged or is not a calibration records database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records %1 come from a newer version of this program (schema %2; this version knows schema %3 and older). Use the newer version to read them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There are no records at %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the records %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records %1 end at event %2, before event %3 that the lab&apos;s server holds: events were removed from the file, or it was put back from an older copy. The server keeps them; recording goes on from the server&apos;s event %3 at event %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records %1 differ from what the lab&apos;s server holds after event %2: the file was put back from an older copy, or changed. The file&apos;s events since are kept, as they are, in event %3, which goes on from the server&apos;s event %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot make the lock file %1 beside the records: the folder cannot be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server takes these events but does not keep them (a rule on the server may discard them): it holds this bench&apos;s records only up to an earlier event.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(a connection string libpq cannot read)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s connection string cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s connection string cannot be used: the value of %1 holds a &apos;;&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s table events is not the lab&apos;s calibration register (it has another shape); its owner sets the register up in a database of its own with cvu-records server-init: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is the records database or one of its files: choose another file to write.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The owner may not create roles. A superuser gives it that right with: ALTER ROLE &lt;owner&gt; CREATEROLE; (or makes it with createuser --createrole).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An object of that name in this database belongs to another role. Set the register up as the database&apos;s owner, in a database of its own.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database already holds a table events that is not the register. Set the register up in a database of its own.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The role lacks a right the register needs: run server-init as the database&apos;s owner, a role that may create roles.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1 of %2 of the register&apos;s setup failed (%3): %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server has no calibration register yet; its owner sets it up with cvu-records server-init.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s table events is not the lab&apos;s calibration register (it lacks %1): its owner sets the register up with cvu-records server-init, in a database of its own.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s register has no group role cvu_bench: its owner runs cvu-records server-init again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s register lacks the triggers that keep it append-only and each bench&apos;s chain whole: its owner runs cvu-records server-init again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>event %1 (%2, %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>event %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>events %1 to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>and %1 more findings of these kinds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the %1 %2 is missing from the records&apos; schema</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the %1 %2 was changed from the one the records were made with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the records hold a %1 %2 they were not made with</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of run %2 cannot come where it stands: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of run %2 is dated before the run&apos;s earlier events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 begins a run dated before runs already recorded ahead of it: a run added afterwards</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the run had ended</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the run was identified already</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the run has no identification before it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no calibration computed constants to store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no constants were committed before the save step</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no save step was sent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no validation passed before the report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has an identifier the program did not make at that moment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>event %1 has the same identifier as event %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 missing: the records go on with %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2) does not match its record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the records ended at event %1, before event %2 that the lab&apos;s server holds (%3): %4 go on from the server&apos;s head</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the records differed from the lab&apos;s server after event %1: the file&apos;s %2 are kept in %3, which goes on from the server&apos;s event %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 does not come after the event before it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>event %1 differs from the one the lab&apos;s server (%2) confirmed it holds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the records end before event %1, which the lab&apos;s server (%2) confirmed it holds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records %1 were begun on the computer %2 (records %3); this is %4: they are a copy, and are not sent to the lab&apos;s server as that bench&apos;s.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The calibration records %1 do not reach as far as the lab&apos;s server confirmed: %2. Events were removed from the file, or it was put back from an older copy. No sequence number is given twice: recording goes on from the server&apos;s last event, and the server keeps what the file lost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the lab&apos;s server holds %1 of these records, which the file does not</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>event %1 differs from the one the lab&apos;s server holds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server has no role %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>role %1 may send the records of one more bench, or its records under the computer name %2, once</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate %1 is issued and recorded: the same command prints it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a certificate made by this program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>these records end before event %1, which the certificate was issued from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>these records hold another event %1 than the one the certificate was issued from: they were changed after it was issued</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no certificate issued from these records has this file&apos;s SHA-256: the file is not the one issued (it was changed, or is a draft)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not NAME=VALUE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to set: give NAME=VALUE.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Register</name>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Due in 1 day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Due in %1 days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overdue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last run failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Passed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not validated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PASS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MC %1 → %2%3, BC %4 → %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, not confirmed stored</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (out of its calibration interval)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (imported)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last run</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next due</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bench</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Technician</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjustment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calibration date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Runs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixture calibration date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> as found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stored</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> stored</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1 %2, %3: %4 pS/m (bounds %5 to %6, %7)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MC, slope (pS/m per count)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BC, offset (pS/m)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1, %2 pS/m: reading (pS/m) within %3 to %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>as found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>as left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not issued</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>conforms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not conform</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Under the lab&apos;s rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, U = %1 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 · last run failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; (not a date)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device sent no date.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As the device sent it: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last adjustment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last passed calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Place</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Event</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hash (SHA-256)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Issued</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Issued by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Approved by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replaces</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF SHA-256</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Of</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changed by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recall list: fixture %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every run made with the fixture from %1 until %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, made %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>End of list: %n run(s).</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Fixture out of interval</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adjusted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every run made with the fixture until %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Account</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Computer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reference certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recall list: reference standard %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every run made with a fixture calibrated under that certificate from %1 until %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every run made with a fixture calibrated under that certificate until %1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RegisterWindow</name>
    <message>
        <source>Calibration Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reload</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensors</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter by serial</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open sensor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export list...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate (PDF)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print certificate...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export history...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixtures</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>yyyy-MM-dd</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records of this computer: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The records cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the folder of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The printer could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The lab&apos;s register on the server, every bench: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (the lab&apos;s server is not shown: %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Looking at what waits for the server...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All records of this computer are on the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 record waiting for the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 records waiting for the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last error: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is the records database or one of its files: choose another file to write.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Amend certificate...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customer...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reference data...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The fixture&apos;s own calibration: its certificate, laboratory, dates and uncertainties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No run of this sensor can have a certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No certificate of this run is issued yet: it is issued with an approval, not amended.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Customer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The customer of sensor %1, as its certificates name it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reference data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The own calibration of fixture %1, from its calibration certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The change could not be recorded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show only the sensors of one status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Due soon</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overdue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Last run failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Runs with this fixture from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>until</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export recall list...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The runs listed, with their results, certificates and customers, as a CSV file to notify customers from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensors checked with fixture %1 from %2 until %3: %4 (%5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Verify records...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check the records as an auditor would, and against the lab&apos;s server where one is set</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Audit trail of the run...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every event of the run selected in the Sensor view, with its time and hash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Certificates issued...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings &amp;history...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verify records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audit trail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a run in the Sensor view first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run %1 of sensor %2, begun %3 by %4 (%5) on %6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificates issued</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every certificate issued from these records, each revision on a line of its own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every change of the lab&apos;s settings, the fixtures&apos; reference data and the customers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recall list (PDF)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The runs listed as a PDF list to send with a notice to customers</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n sensor(s): OK %1, due within %2 days %3, overdue %4, last run failed %5</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1, serial number %2: %n run(s)</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Recall list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Shift+C</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+P</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Runs of the sensor</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Charts of the sensor&apos;s runs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Constants MC and BC over time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step readings over time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Runs from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Runs until</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Runs made with the fixture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ctrl+Shift+V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking every event of the records...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking every event of the records, then comparing them with the lab&apos;s server...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>or reference standard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reference standard certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every fixture&apos;s runs while this certificate was its recorded calibration (Reference data), instead of the fixture selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensors checked under reference standard %1 from %2 until %3: %4 (%5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>certificate no.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>an interval is a whole number of months from 1 to %1, not &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the value is yes or no, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the value is a positive number, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a date is written yyyy-MM-dd, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>repeatability is written S/N, a standard deviation in pS/m over N readings (at least 2), such as 0.3/10, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no setting named &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the laboratory&apos;s name, as certificates give it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the laboratory&apos;s address, its lines separated by \n</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>where calibrations are made, where it is not the laboratory&apos;s address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the name of the lab&apos;s calibration procedure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>how often a sensor is due, in months (12)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>how long a fixture&apos;s own calibration holds, in months (12)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>yes: certificates give the next due date, as agreed with the customer (no)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>yes: the run&apos;s technician may approve its certificate (no)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>why ambient conditions do not apply, printed where none were entered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>simple, guarded or non-binary (simple)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the decision rule is simple, guarded or non-binary, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>step 1&apos;s repeatability, S/N: a standard deviation in pS/m over N readings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>step 2&apos;s repeatability, S/N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>step 3&apos;s repeatability, S/N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>step 4&apos;s repeatability, S/N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>step 5&apos;s repeatability, S/N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the number of the fixture&apos;s own calibration certificate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the laboratory that calibrated the fixture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the date of the fixture&apos;s calibration, yyyy-MM-dd</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the date the fixture&apos;s calibration is due, yyyy-MM-dd</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the expanded uncertainty of reference step 1 (2.8 pS/m), in pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the same of step 2 (120 pS/m)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the same of step 3 (600 pS/m)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the same of step 4 (1000 pS/m)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the same of step 5 (1700 pS/m)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the same of the calibration&apos;s high reference (1748 pS/m)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the coverage factor of those uncertainties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the customer&apos;s name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the customer&apos;s address, its lines separated by \n</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a further contribution is written VALUE DISTRIBUTION [DEGREES]: a standard uncertainty in pS/m (normal) or a half-width (rectangular, triangular), and its degrees of freedom where they are finite, such as &quot;0.2 rectangular&quot;, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Register Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor calibration interval</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> months</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fixture calibration interval</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The lab&apos;s server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A PostgreSQL connection string or service name, for example host=records.lab dbname=cvu user=bench1 sslmode=verify-full, or service=lab. The password is never kept here: libpq reads it from .pgpass. Empty: the records stay on this computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s connection string cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A password is never kept in the settings. Put it in the account&apos;s .pgpass file (or the file PGPASSFILE names) and leave it out here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Due dates (kept in the records)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Certificates give the next due date, as agreed with the customer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Laboratory and certificates (kept in the records)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Place of calibration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The laboratory, at its address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Procedure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ambient conditions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Why they do not apply, where none are entered at issue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decision rule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A run&apos;s own technician may approve its certificate</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TableDialog</name>
    <message>
        <source>Filter the rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter: rows containing this text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Export shown rows...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The rows shown, as a CSV file</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Uncertainty</name>
    <message>
        <source>normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>rectangular</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>triangular</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conditional Pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conditional Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>low readings&apos; scatter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>low average cut to a count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>high readings&apos; scatter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>high average cut to a count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>low reference</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>high reference</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1: U = %2 pS/m, k = %3, %4, risk %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step %1: U not stated (%2), %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reference standard&apos;s uncertainty at this step is not recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the reading is not a number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reference standard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>U = %1 pS/m, k = %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>resolution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reads to %1 pS/m, u = step / sqrt(12)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>repeatability</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>s = %1 pS/m over %2 readings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>u = %1 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>half-width %1 pS/m</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the uncertainties of the calibration&apos;s references (u1 and u-high, with k) are not recorded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the records do not hold the readings the constants were computed from</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Widget</name>
    <message>
        <source>TARNEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Conductivity Validation Utility</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please Read before continuing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;
&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;
p, li { white-space: pre-wrap; }
&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;MS Shell Dlg 2&apos;; font-size:9pt; font-weight:400; font-style:normal;&quot;&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;Please read all instructions before proceeding.&lt;/span&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p align=&quot;justify&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;1) This program can be used to validate the KR-5M-LD handheld conductivity senor by using the KR-5M-LD-CV-LNK tool. The user should have a working knowledge of the KR-5M-LD operation and keep the owner&apos;s manual handy as a reference.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;2) To perform validation, KR-5M-LD-CV-LNK must be connected to the Computer via a USB cable and the proper USB drivers must be loaded.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;3) The KR-5M-LD-CV-LNK should lay flay on its back, with the KR-5M-LD inserted into the tip hole and have the button end securely within the holding apperatus. The display should face straight up. &lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;4) Once connected, do not disconnect USB cable from either PC or instrument.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;5) The Software Program is totally automated, always read and follow the software instructions that appear in the popup windows and further instructions that appear in the status bar window. The user must not depress the switch other than the first time, when specifically instructed to do so by the software.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;6) The Software Program has the ability to verify that the KR-5M-LD has a firmware version of 0.85 or higher. The program will alert the user if not in compliance. Please contact Varnell Inc. if this is the case.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;7) The Software Program will give the user the choice between Validation or Calibration. The Software Program will create a text file with the old and newly created calibration constants that can be used as a historical record.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;8) Care must be taken during calibration process, the user is wholly responsible for proper operation during this calibration procedure.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;9) The user can contact Varnell Inc. for how to obtain a calibration certificate with the data stored in the file.&lt;/span&gt;&lt;/p&gt;
&lt;p style=&quot;-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-size:8pt;&quot;&gt;&lt;br /&gt;&lt;/p&gt;
&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:8pt;&quot;&gt;10) The term &quot;AWAKE&quot; refers to the instrument having an active display. A Blank display means the instrument is &quot;ASLEEP&quot;.&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read all instructions before proceeding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VARNELL INCORPORATED</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>U.S.A.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BRELLMOOR</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>UNITED KINGDOM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please read all instructions before proceeding.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1) This program can be used to validate the KR-5M-LD handheld conductivity senor by using the KR-5M-LD-CV-LNK tool. The user should have a working knowledge of the KR-5M-LD operation and keep the owner&apos;s manual handy as a reference.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2) To perform validation, KR-5M-LD-CV-LNK must be connected to the Computer via a USB cable and the proper USB drivers must be loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3) The KR-5M-LD-CV-LNK should lay flay on its back, with the KR-5M-LD inserted into the tip hole and have the button end securely within the holding apperatus. The display should face straight up.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4) Once connected, do not disconnect USB cable from either PC or instrument.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5) The Software Program is totally automated, always read and follow the software instructions that appear in the popup windows and further instructions that appear in the status bar window. The user must not depress the switch other than the first time, when specifically instructed to do so by the software.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>6) The Software Program has the ability to verify that the KR-5M-LD has a firmware version of 0.85 or higher. The program will alert the user if not in compliance. Please contact Varnell Inc. if this is the case.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7) The Software Program will give the user the choice between Validation or Calibration. The Software Program will create a text file with the old and newly created calibration constants that can be used as a historical record.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8) Care must be taken during calibration process, the user is wholly responsible for proper operation during this calibration procedure.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>9) The user can contact Varnell Inc. for how to obtain a calibration certificate with the data stored in the file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>10) The term &quot;AWAKE&quot; refers to the instrument having an active display. A Blank display means the instrument is &quot;ASLEEP&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Instructions</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End User Directive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please verify the KR-5M-LD-CV-LNK is connected to the computer via a USB cable and ensure KR-5M-LD is powered and the display reads &quot;Push to Sample&quot;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>cvu-demo</name>
    <message>
        <source>Conductivity Validation Utility with a simulated KR-5M-LD-CV-LNK fixture. Without --port it starts a simulated fixture whose sensor has drifted, so a validation fails and a calibration mends it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Offer this serial port or pseudo-terminal (repeatable) instead of starting a simulator.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drive the windows through a whole job against the simulated fixture: print each status-bar message, save a picture of each stage, the report and its printout (PDF) into DIR. Exits 0 only when the job ended as it should.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>cvu-records</name>
    <message>
        <source>
Names for set:
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
Names for customer --set:
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
Names for fixture --set:
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  contribution.NAME           a further contribution to every step&apos;s uncertainty, by the lab&apos;s own name:
                              VALUE DISTRIBUTION [DEGREES], such as &quot;0.2 rectangular&quot;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>verify, export, recall, certificate, set, customer, fixture, sync, server-init or server-admit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The calibration register of the Conductivity Validation Utility. Without a command it opens the register window.

Commands:
  verify                            check the records as an auditor would, and against the
                                    lab&apos;s server where one is set
  verify --certificate FILE.pdf     check a certificate against the records
  export --csv FILE                 write every record as a line of a CSV file
  export --sensors FILE             write the sensors list with every status that holds
  recall --fixture SERIAL [--from DATE] [--until DATE] --csv FILE | --pdf FILE.pdf
                                    write every run made with the fixture in the period,
                                    with its results, certificate and customer
  recall --reference NUMBER [--from DATE] [--until DATE] --csv FILE | --pdf FILE.pdf
                                    the same for every fixture while that reference
                                    standard&apos;s certificate was its calibration
  certificate --serial SERIAL [--run ID] --output FILE.pdf [--approve | --amend --reason TEXT]
                                    write a run&apos;s certificate: the issued one, or a draft;
                                    --approve issues it, --amend its next revision
  set NAME=VALUE...                 record the lab&apos;s settings
  customer --serial SERIAL --set NAME=VALUE...
                                    record a sensor&apos;s customer
  fixture --serial SERIAL --set NAME=VALUE...
                                    record a fixture&apos;s own calibration
  sync [--server CONNINFO]          send what waits for the lab&apos;s server, and say whether
                                    the server holds everything
  server-init --server CONNINFO     set the lab&apos;s register up on its server (as its owner)
  server-admit --server CONNINFO --role ROLE --bench NAME
                                    let a bench role send one more bench&apos;s records, or
                                    its records under a new computer name (as the owner)
  verify --server [CONNINFO]        check every bench&apos;s records on the server
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
